#include "Components/ColumnView/uColumnView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Platform/Ui/ModalRunner.h"

namespace {

constexpr int ClientHeight = 249;
constexpr int MinimumWidth = 235;
constexpr int ActionHeight = 29;
constexpr int ConfirmHeight = 41;
constexpr int GlyphButtonSize = 25;
// The least room beside the widest title for its check box.
constexpr int CheckRoom = 25;

// Two check boxes, one above the other, each checked or not as `marks` says.
QIcon CheckGlyph(const bool (&marks)[2]) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        const QRectF box(3.5, 0.5 + i * 8, 7, 7);
        painter.setPen(QPen(QColor(80, 80, 80), 1));
        painter.setBrush(Qt::white);
        painter.drawRect(box);
        if (!marks[i]) continue;
        painter.setPen(QPen(QColor(0, 120, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawPolyline(
            QPolygonF({box.topLeft() + QPointF(1.5, 3.5), box.topLeft() + QPointF(3, 5.5),
                       box.topLeft() + QPointF(7.5, -0.5)}));
    }
    return QIcon(pixmap);
}

QToolButton* GlyphButton(QWidget* parent, const char* name, const bool (&marks)[2]) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(CheckGlyph(marks));
    button->setFixedSize(GlyphButtonSize, GlyphButtonSize);
    button->setAutoRaise(true);
    return button;
}

QFrame* Panel(QWidget* parent, const char* name, int height) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFixedHeight(height);
    return panel;
}

// Titles lose the blanks and control characters at both ends.
QString TrimmedTitle(const QString& title) {
    qsizetype begin = 0, end = title.size();
    while (begin < end && title[begin].unicode() < 33) ++begin;
    while (end > begin && title[end - 1].unicode() < 33) --end;
    return title.mid(begin, end - begin);
}

// What a list needs beside its widest text: the check box and margins the style draws
// around each item, the frame, and the scroll bar when the items do not all fit.
int ItemRoom(const QListWidget& list, int widest) {
    int room = list.sizeHintForColumn(0) - widest + 2 * list.frameWidth();
    const int rows = list.count() * list.sizeHintForRow(0);
    if (rows > ClientHeight - ActionHeight - ConfirmHeight - 2 * list.frameWidth())
        room += list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    return std::max(room, CheckRoom);
}

}  // namespace

TfmColumnView::TfmColumnView(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("fmColumnView");
    setSizeGripEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    chlboxColumns = new QListWidget(this);
    chlboxColumns->setObjectName("chlboxColumns");
    layout->addWidget(chlboxColumns, 1);

    paAction = Panel(this, "paAction", ActionHeight);
    auto* actions = new QHBoxLayout(paAction);
    actions->setContentsMargins(2, 2, 2, 2);
    actions->setSpacing(2);
    bbtnAll = GlyphButton(paAction, "bbtnAll", {true, true});
    bbtnClear = GlyphButton(paAction, "bbtnClear", {false, false});
    bbtnInvers = GlyphButton(paAction, "bbtnInvers", {true, false});
    for (QToolButton* button : {bbtnAll, bbtnClear, bbtnInvers}) actions->addWidget(button);
    actions->addStretch();
    layout->addWidget(paAction);

    paConfirm = Panel(this, "paConfirm", ConfirmHeight);
    paConfirm->setFrameShape(QFrame::StyledPanel);
    auto* confirm = new QHBoxLayout(paConfirm);
    confirm->setContentsMargins(8, 6, 8, 6);
    confirm->addStretch();
    bbtnOK = new QPushButton(paConfirm);
    bbtnOK->setObjectName("bbtnOK");
    bbtnOK->setDefault(true);
    bbtnCancel = new QPushButton(paConfirm);
    bbtnCancel->setObjectName("bbtnCancel");
    confirm->addWidget(bbtnOK);
    confirm->addWidget(bbtnCancel);
    layout->addWidget(paConfirm);

    connect(bbtnAll, &QToolButton::clicked, this, &TfmColumnView::bbtnAllClick);
    connect(bbtnClear, &QToolButton::clicked, this, &TfmColumnView::bbtnClearClick);
    connect(bbtnInvers, &QToolButton::clicked, this, &TfmColumnView::bbtnInversClick);
    connect(bbtnOK, &QPushButton::clicked, this, &TfmColumnView::bbtnOKClick);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    SetTexts(TColumnViewTexts());
    SetContentWidth(0);
}

void TfmColumnView::SetTexts(const TColumnViewTexts& texts) {
    setWindowTitle(texts.Caption);
    bbtnOK->setText(texts.OKCaption);
    bbtnCancel->setText(texts.CancelCaption);
    bbtnAll->setToolTip(texts.AllHint);
    bbtnClear->setToolTip(texts.ClearHint);
    bbtnInvers->setToolTip(texts.InversHint);
}

void TfmColumnView::SetContentWidth(int width) {
    setFixedSize(std::max(width, MinimumWidth), ClientHeight);
}

template <class Change>
void TfmColumnView::ForEnabledItems(Change change) {
    for (int i = 0; i < chlboxColumns->count(); ++i) {
        QListWidgetItem* item = chlboxColumns->item(i);
        if (item->flags().testFlag(Qt::ItemIsEnabled))
            item->setCheckState(change(item->checkState()));
    }
}

void TfmColumnView::bbtnAllClick() {
    ForEnabledItems([](Qt::CheckState) { return Qt::Checked; });
}

void TfmColumnView::bbtnClearClick() {
    ForEnabledItems([](Qt::CheckState) { return Qt::Unchecked; });
}

void TfmColumnView::bbtnInversClick() {
    ForEnabledItems(
        [](Qt::CheckState state) { return state == Qt::Checked ? Qt::Unchecked : Qt::Checked; });
}

void TfmColumnView::bbtnOKClick() {
    for (int i = 0; i < chlboxColumns->count(); ++i)
        if (chlboxColumns->item(i)->checkState() == Qt::Checked) {
            accept();
            return;
        }
    MessageBoxes::ShowKind(
        TMessageKind::Error,
        TranslateRu(QStringLiteral("Хотя бы один столбец должен остаться видимым!")), this,
        TranslateRu(MessageBoxes::KindCaption(TMessageKind::Error)));
}

void ShowColumnView(TwwDBGrid* grid, const TwwDBGrid::TColumnViewChange& onChange) {
    TDataSetModel* source = grid ? grid->DataSource() : nullptr;
    if (!source || !source->DataSet() || !source->DataSet()->Active()) return;

    TfmColumnView dialog;  // the application's, not the grid's window's
    const QFontMetrics metrics(dialog.chlboxColumns->font());
    std::vector<TwwColumn*> columns;
    int widest = 0;
    for (int i = 0; i < grid->ColumnCount(); ++i) {
        TwwColumn* column = grid->Column(i);
        columns.push_back(column);
        const QString title = TrimmedTitle(column->Title());
        auto* item = new QListWidgetItem(title, dialog.chlboxColumns);
        const bool changeable = i >= grid->FixedCols() && column->CanRepresent();
        item->setFlags(changeable
                           ? Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable
                           : Qt::ItemIsUserCheckable);
        item->setCheckState(column->Visible() ? Qt::Checked : Qt::Unchecked);
        widest = std::max(widest, metrics.horizontalAdvance(title));
    }
    const TColumnViewTexts& texts = grid->ColumnViewTexts();
    dialog.SetTexts({TranslateRu(texts.Caption), TranslateRu(texts.OKCaption),
                     TranslateRu(texts.CancelCaption), TranslateRu(texts.AllHint),
                     TranslateRu(texts.ClearHint), TranslateRu(texts.InversHint)});
    dialog.SetContentWidth(widest + ItemRoom(*dialog.chlboxColumns, widest));

    if (ModalRunner::RunModal(dialog) != QDialog::Accepted) return;
    for (size_t i = 0; i < columns.size(); ++i) {
        const bool checked =
            dialog.chlboxColumns->item(static_cast<int>(i))->checkState() == Qt::Checked;
        if (columns[i]->Visible() == checked) continue;
        bool allow = true;
        if (onChange) onChange(grid, columns[i], allow);
        if (allow) columns[i]->SetVisible(checked);
    }
}
