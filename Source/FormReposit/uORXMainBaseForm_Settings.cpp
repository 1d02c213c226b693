// Settings of the main windows kept between runs (TORXMainBaseForm).
#include <QComboBox>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uComponentTree.h"
#include "ComUnits/wwDBGrid.h"
#include "FormReposit/uORXMainBaseForm.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/IniFile.h"

namespace S = BaseFormSettings;

namespace {

constexpr int SplitTopTag = 999;
constexpr int SplitWidthTag = 888;

// Helper objects of a control (unnamed, or Qt's own "qt_" parts such as a tool bar's
// extension button) have no settings of their own.
bool KeepsSettings(const QObject* component) {
    const QString name = component->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool InToolBar(const QObject* object) {
    for (const QObject* p = object->parent(); p; p = p->parent())
        if (qobject_cast<const QToolBar*>(p)) return true;
    return false;
}

QToolButton* CheckButton(QObject* component) {
    auto* button = qobject_cast<QToolButton*>(component);
    return button && button->isCheckable() && InToolBar(button) ? button : nullptr;
}

QComboBox* ToolBarCombo(QObject* component) {
    auto* combo = qobject_cast<QComboBox*>(component);
    return combo && InToolBar(combo) ? combo : nullptr;
}

TDataSet* GridDataSet(QObject* component) {
    auto* grid = qobject_cast<QTableView*>(component);
    auto* model = grid ? qobject_cast<TDataSetModel*>(grid->model()) : nullptr;
    return model ? model->DataSet() : nullptr;
}

// Sets a check button's state; its action runs only when it may run now.
void RestoreCheck(QToolButton& button, bool down) {
    QAction* action = button.defaultAction();
    if (action && action->isCheckable()) {
        if (action->isEnabled())
            action->trigger();
        else
            action->setChecked(down);
        return;
    }
    button.setChecked(down);
    if (action && action->isEnabled()) action->trigger();
}

void RestoreGrid(const QString& section, QTableView& grid, TDataSet& dataSet) {
    S::FieldsFromGrid(grid);
    const QString name = dataSet.objectName();
    // Names that no longer exist are skipped.
    for (const auto& [position, fieldName] : S::ReadOrder(section, name))
        if (TField* field = dataSet.FindField(fieldName)) field->SetIndex(position);
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField* field = dataSet.Fields(i);
        if (!field->Visible()) continue;
        const int width = S::ReadWidth(section, name, field->FieldName());
        if (width != -1 && width != 10) field->SetDisplayWidth(width);
    }
    S::GridFromFields(grid);
}

void SaveGrid(const QString& section, QTableView& grid, TDataSet& dataSet) {
    S::FieldsFromGrid(grid);
    const QString name = dataSet.objectName();
    const int largest = dataSet.FieldCount() - 1;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField* field = dataSet.Fields(i);
        S::WriteOrder(section, name, S::PositionText(i, largest), field->FieldName());
        if (field->Visible())
            S::WriteWidth(section, name, field->FieldName(), field->DisplayWidth());
    }
    S::GridFromFields(grid);  // the fields' new order reset the header
}

// Gives a split control its stored top (999) or width (888): inside a splitter by
// moving the handle beside it, elsewhere by moving or sizing the control itself.
void RestoreSplitLen(QWidget& control, int tag, int value) {
    if (value < 0) return;
    auto* splitter = qobject_cast<QSplitter*>(control.parentWidget());
    if (!splitter) {
        if (tag == SplitTopTag)
            control.move(control.x(), value);
        else
            control.resize(value, control.height());
        return;
    }
    QList<int> sizes = splitter->sizes();
    const int at = splitter->indexOf(&control);
    if (tag == SplitTopTag) {
        if (at <= 0) return;
        const int delta = value - control.y();
        sizes[at - 1] += delta;
        sizes[at] -= delta;
    } else {
        const int other = at + 1 < sizes.size() ? at + 1 : at - 1;
        if (other < 0) return;
        sizes[other] -= value - sizes[at];
        sizes[at] = value;
    }
    splitter->setSizes(sizes);
}

// A saved placement is used only where the whole window shows (on a screen, or inside
// the workspace) at no less than its least size; anything else keeps the default.
bool FitsOnScreen(const QWidget& window, const QRect& placed) {
    QRect area;
    if (const QWidget* workspace = window.parentWidget())
        area = workspace->rect();
    else if (const QScreen* screen = QGuiApplication::screenAt(placed.center()))
        area = screen->availableGeometry();
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    return area.contains(placed) && placed.width() >= least.width() &&
           placed.height() >= least.height();
}

}  // namespace

QWidget* TORXMainBaseForm::PlacementWindow() {
    if (auto* window = qobject_cast<QMdiSubWindow*>(parentWidget())) return window;
    return this;
}

void TORXMainBaseForm::LoadFormSettings() {
    const QString section = FormSection();
    LoadPlacement(section);
    for (QObject* component : OwnedComponents(this)) LoadComponent(section, component);
}

void TORXMainBaseForm::SaveFormSettings() {
    const QString section = FormSection();
    SavePlacement(section);
    for (QObject* component : OwnedComponents(this)) SaveComponent(section, component);
}

void TORXMainBaseForm::LoadPlacement(const QString& section) {
    QWidget* window = PlacementWindow();
    const int left = S::ReadFormValue(section, QStringLiteral("FORMLEFT"), window->x());
    const int top = S::ReadFormValue(section, QStringLiteral("FORMTOP"), window->y());
    const int width = S::ReadFormValue(section, QStringLiteral("FORMWIDTH"), window->width());
    const int height = S::ReadFormValue(section, QStringLiteral("FORMHEIGHT"), window->height());
    if (left == window->x() && top == window->y() && width == window->width() &&
        height == window->height())
        return;
    const QSize size = SizeableBorder() ? QSize(width, height) : window->size();
    if (!FitsOnScreen(*window, QRect(QPoint(left, top), size))) return;
    if (SizeableBorder()) window->resize(width, height);
    window->move(left, top);
    if (S::UserSaves().ReadBool(section, QStringLiteral("FORMALIGN"), false))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void TORXMainBaseForm::SavePlacement(const QString& section) {
    QWidget* window = PlacementWindow();
    if (window->isMinimized()) return;  // an icon's place is no placement to come back to
    S::UserSaves().WriteBool(section, QStringLiteral("FORMALIGN"), window->isMaximized());
    S::WriteFormValue(section, QStringLiteral("FORMLEFT"), window->x());
    S::WriteFormValue(section, QStringLiteral("FORMTOP"), window->y());
    if (!SizeableBorder()) return;
    S::WriteFormValue(section, QStringLiteral("FORMWIDTH"), window->width());
    S::WriteFormValue(section, QStringLiteral("FORMHEIGHT"), window->height());
}

void TORXMainBaseForm::LoadComponent(const QString& section, QObject* component) {
    if (!KeepsSettings(component)) return;
    const QString name = component->objectName();
    if (QToolButton* button = CheckButton(component)) {
        const bool down = S::ReadCheck(section, name);
        if (down != button->isChecked()) RestoreCheck(*button, down);
    } else if (QComboBox* combo = ToolBarCombo(component)) {
        combo->setCurrentIndex(S::ReadIndex(section, name));
    } else if (auto* enhanced = qobject_cast<TwwDBGrid*>(component)) {
        S::ReadEnhancedGrid(section, *enhanced);
    } else if (TDataSet* dataSet = GridDataSet(component)) {
        RestoreGrid(section, *static_cast<QTableView*>(component), *dataSet);
    } else if (component->isWidgetType()) {
        const int tag = TagOf(component);
        if (tag == SplitTopTag || tag == SplitWidthTag)
            RestoreSplitLen(*static_cast<QWidget*>(component), tag, S::ReadSplitLen(section, name));
    }
}

void TORXMainBaseForm::SaveComponent(const QString& section, QObject* component) {
    if (!KeepsSettings(component)) return;
    const QString name = component->objectName();
    if (QToolButton* button = CheckButton(component)) {
        S::WriteCheck(section, name, button->isChecked());
    } else if (QComboBox* combo = ToolBarCombo(component)) {
        S::WriteIndex(section, name, combo->currentIndex());
    } else if (auto* enhanced = qobject_cast<TwwDBGrid*>(component)) {
        S::WriteEnhancedGrid(section, *enhanced);
    } else if (TDataSet* dataSet = GridDataSet(component)) {
        SaveGrid(section, *static_cast<QTableView*>(component), *dataSet);
    } else if (component->isWidgetType()) {
        auto* control = static_cast<QWidget*>(component);
        if (TagOf(control) == SplitTopTag) S::WriteSplitLen(section, name, control->y());
        if (TagOf(control) == SplitWidthTag) S::WriteSplitLen(section, name, control->width());
    }
}
