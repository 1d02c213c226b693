#include "Components/QSearch/uQSearch.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uAssert.h"
#include "ComUnits/uComponentTree.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

constexpr int TextPanelCaption = 136;
constexpr int TextNotSearchable = 137;
constexpr int TextNoField = 138;
constexpr int EditWidth = 121;

bool AltOnly(Qt::KeyboardModifiers modifiers) {
    return modifiers.testFlag(Qt::AltModifier) && !modifiers.testFlag(Qt::ControlModifier);
}

// The character of a key pressed with Alt: its text, or, where the keyboard gives none,
// the letter or digit of the key.
QChar KeyCharacter(const QKeyEvent& event) {
    if (event.text().size() == 1) return event.text().front();
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return QChar(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return event.modifiers().testFlag(Qt::ShiftModifier) ? QChar(key) : QChar(key).toLower();
    return {};
}

}  // namespace

// --- TSearchEdit ---------------------------------------------------------------------

TSearchEdit::TSearchEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &TSearchEdit::SearchTextChanged);
}

bool TSearchEdit::event(QEvent* event) {
    // Alt and a character is text here, never a shortcut of the form.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (AltOnly(key->modifiers()) && !KeyCharacter(*key).isNull()) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TSearchEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        emit SearchLeave();
        QLineEdit::keyPressEvent(event);
        event->accept();  // the key ends the search, not the dialog the form is
        return;
    }
    if (key == Qt::Key_Alt) {
        event->accept();
        return;
    }
    if (AltOnly(event->modifiers())) {
        const QChar character = KeyCharacter(*event);
        if (!character.isNull() && character.isPrint()) insert(QString(character));
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TSearchEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another program's window taking the focus is no leaving: the search waits for the
    // user's return.
    if (event->reason() != Qt::ActiveWindowFocusReason) emit SearchLeave();
}

// --- TQSearch ------------------------------------------------------------------------

TQSearch::TQSearch(QObject* owner) : QObject(owner) {
    FOwner = qobject_cast<QWidget*>(owner);
    if (!FOwner) {
        const QString ownerName = owner ? owner->objectName() : QString();
        const QString ownerClass =
            owner ? QString::fromLatin1(owner->metaObject()->className()) : QString();
        MessageBoxes::ShowMessage(objectName() + QStringLiteral("(TQSearch) : \"") + ownerName +
                                  u'(' + ownerClass +
                                  QStringLiteral("\" Owner is not InheritsFrom TWinControl"));
    }
}

TQSearch::~TQSearch() {
    SetClientSourceReference(this, FSourceReference, nullptr, false);
    SetGrid(nullptr);
    delete FPanel.data();  // the panel lives on the owner, not on this object
}

void TQSearch::SetGrid(QTableView* grid) {
    if (grid == FGrid) return;
    if (FGrid) FGrid->removeEventFilter(this);
    FGrid = grid;
    FGridObject = grid;
    if (!FGrid) return;
    FGrid->installEventFilter(this);
    if (!ShowsDataSet()) FUseSelectedColumn = false;
}

void TQSearch::SetOnSearch(TOnSearch handler) { FOnSearch = std::move(handler); }

void TQSearch::SetUseSelectedColumn(bool value) {
    FUseSelectedColumn = value && (!FGrid || ShowsDataSet());
}

void TQSearch::SourcesChanged(TQXVSources* sources) {
    FSources = sources;
    if (FLabel) FLabel->setText(Text(TextPanelCaption));
}

void TQSearch::SetSourceReference(TQXVSourcesReference* reference) {
    SetClientSourceReference(this, FSourceReference, reference);
}

QString TQSearch::Text(int id) const { return GetSourceText(FSources.data(), id); }

bool TQSearch::ShowsDataSet() const {
    return FGrid && qobject_cast<TDataSetModel*>(FGrid->model());
}

TDataSet* TQSearch::GridDataSet() const {
    auto* model = FGrid ? qobject_cast<TDataSetModel*>(FGrid->model()) : nullptr;
    Assert(model != nullptr,
           (FGrid ? FGrid->objectName() : QString()) + QStringLiteral(".DataSource = nil"));
    Assert(model->DataSet() != nullptr, QStringLiteral("DataSet = nil"));
    return model->DataSet();
}

bool TQSearch::OpensSearch(QChar character) {
    const char16_t code = character.unicode();
    // Digits, Latin letters and the Cyrillic letters after the first one.
    return (code >= 48 && code <= 90) || (code >= 96 && code <= 122) ||
           (code >= 0x0411 && code <= 0x044F);
}

bool TQSearch::eventFilter(QObject* watched, QEvent* event) {
    // Compared as a plain object: events also come while the grid is being destroyed.
    if (watched != FGridObject) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FSearchEnabled && AltOnly(key->modifiers()) && OpensSearch(KeyCharacter(*key))) {
            event->accept();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // Alt alone must not wake the form's menu.
    if (key->key() == Qt::Key_Alt) return true;
    if (!FSearchEnabled || !AltOnly(key->modifiers())) return false;
    const QChar character = KeyCharacter(*key);
    if (!OpensSearch(character)) return false;
    Open(character);
    return true;
}

void TQSearch::Open(QChar character) {
    if (!FOwner) return;
    SetShown(true);
    FEdit->setText(QString(character));
    FEdit->setCursorPosition(1);
    QApplication::beep();
}

void TQSearch::CreatePanel() {
    FPanel = new QFrame(FOwner);
    FPanel->setObjectName(QStringLiteral("QSearchPanel"));
    MarkHiddenObject(FPanel);  // not one of the form's components: no settings, no phrases
    FPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FPanel->setLineWidth(2);
    FPanel->setAutoFillBackground(true);
    FLabel = new QLabel(Text(TextPanelCaption), FPanel);
    FEdit = new TSearchEdit(FPanel);
    FEdit->setFrame(true);
    FLabel->adjustSize();
    FEdit->resize(EditWidth, FEdit->sizeHint().height());
    FLabel->move(6, 0);
    FEdit->move(FLabel->x() + FLabel->width() + 4, 6);
    FPanel->resize(FEdit->geometry().right() + 1 + 6, FEdit->height() + 12);
    FLabel->move(6, qRound((FPanel->height() - FLabel->height()) / 2.0));
    connect(FEdit, &TSearchEdit::SearchTextChanged, this, [this](const QString& text) {
        // A failed search closes the panel, so the user is not left typing into an error.
        Application::Instance().Protect(this, [&] {
            try {
                TextChanged(text);
            } catch (...) {
                Leave();
                throw;
            }
        });
    });
    connect(FEdit, &TSearchEdit::SearchLeave, this, &TQSearch::Leave);
}

// Under the grid's client area where that covers no other control and stays inside the
// form; otherwise over the grid's own last rows.
void TQSearch::PlacePanel() {
    if (!FGrid) return;
    const QRect client = FGrid->contentsRect();
    QRect place(FGrid->mapTo(FOwner, QPoint(client.left(), client.bottom() + 1)), FPanel->size());
    if (place.bottom() >= FOwner->height() || CoversAnotherControl(place))
        place.moveBottom(FGrid->mapTo(FOwner, client.bottomLeft()).y());
    place.moveTop(qMax(0, place.top()));
    FPanel->move(place.topLeft());
}

bool TQSearch::CoversAnotherControl(const QRect& place) const {
    const auto hasShownChild = [](const QWidget* widget) {
        for (const QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible() && !child->isWindow()) return true;
        return false;
    };
    for (const QWidget* widget : FOwner->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow() || widget == FPanel ||
            FPanel->isAncestorOf(widget) || widget->isAncestorOf(FGrid) ||
            FGrid->isAncestorOf(widget) || widget == FGrid || hasShownChild(widget))
            continue;
        if (QRect(widget->mapTo(FOwner, QPoint(0, 0)), widget->size()).intersects(place))
            return true;
    }
    return false;
}

void TQSearch::SetShown(bool shown) {
    if (!FOwner) return;
    if (!FPanel) CreatePanel();
    PlacePanel();
    FShown = shown;
    FPanel->setVisible(shown);
    if (shown) {
        FPanel->raise();
        FEdit->setFocus(Qt::OtherFocusReason);
    } else {
        FEdit->clear();
    }
}

void TQSearch::Leave() {
    if (!FShown) return;
    SetShown(false);
    if (FGrid && FGrid->isEnabled() && FGrid->isVisible()) FGrid->setFocus(Qt::OtherFocusReason);
}

QString TQSearch::SelectedFieldName() const {
    auto* model = qobject_cast<TDataSetModel*>(FGrid->model());
    const QModelIndex current = FGrid->currentIndex();
    const TField* field = model->FieldAt(current.isValid() ? current.column() : 0);
    return field ? field->FieldName() : QString();
}

void TQSearch::TextChanged(const QString& text) {
    if (!FShown) return;
    if (ShowsDataSet() && GridDataSet()->RecordCount() < 1) {
        Leave();
        return;
    }
    if (text.isEmpty()) return;
    QString field = FUseSelectedColumn ? SelectedFieldName() : FSearchField;
    bool cancel = false;
    if (FOnBeforeSearch) FOnBeforeSearch(this, field, cancel);
    if (!cancel && !field.isEmpty()) {
        const TField* found = GridDataSet()->FindField(field);
        if (!found) throw EGeneralError(QStringLiteral("\"%1\" field is not found").arg(field));
        if (found->FieldKind() != TFieldKind::Data) {
            MessageBoxes::ShowKind(
                TMessageKind::Information,
                Text(TextNotSearchable).replace(QStringLiteral("%s"), found->DisplayLabel()),
                FOwner, TranslateRu(MessageBoxes::KindCaption(TMessageKind::Information)));
            cancel = true;
        }
    }
    if (cancel) {
        Leave();
        return;
    }
    if (FOnSearch)
        FOnSearch(this, field, text);
    else
        Search(field, text);
}

void TQSearch::Search(const QString& field, const QString& value) {
    if (field.isEmpty()) {
        MessageBoxes::ShowMessage(Text(TextNoField));
        Leave();
        return;
    }
    GridDataSet()->Locate(field, value, FLocateOptions);
}
