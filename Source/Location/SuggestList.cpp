#include "Location/SuggestList.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"

namespace {

constexpr int kVisibleRows = 10;
constexpr int kWidth = 520;

QString RowText(const TSuggestion& s) {
    return s.TypeName.isEmpty() ? s.Path : s.Path + QStringLiteral("  (") + s.TypeName + u')';
}

}  // namespace

TServerSuggestSource::TServerSuggestSource(TOraStoredProc* proc, std::function<QString()> separator)
    : FProc(proc), FSeparator(std::move(separator)) {}

void TServerSuggestSource::Request(const QString& text,
                                   std::function<void(QList<TSuggestion>)> done) {
    FProc->Close();
    FProc->ParamByName(QStringLiteral("PTEXT")).SetAsString(text);
    FProc->ParamByName(QStringLiteral("PSEPARATOR")).SetAsString(FSeparator());
    QStringList first;
    if (FFirstPlaces)
        for (const int id : FFirstPlaces()) first << QString::number(id);
    if (first.isEmpty())
        FProc->ParamByName(QStringLiteral("PFIRST")).Clear();
    else
        FProc->ParamByName(QStringLiteral("PFIRST")).SetAsString(first.join(u','));
    FProc->ExecProc();
    QList<TSuggestion> found;
    for (FProc->First(); !FProc->Eof(); FProc->Next())
        found.append({FProc->FieldByName(QStringLiteral("ID")).AsInteger(),
                      FProc->FieldByName(QStringLiteral("NAME")).AsString(),
                      FProc->FieldByName(QStringLiteral("ABBREV_NAME")).AsString(),
                      FProc->FieldByName(QStringLiteral("PATH")).AsString()});
    FProc->Close();
    done(found);
}

TSuggestList::TSuggestList(QLineEdit* edit, std::shared_ptr<ISuggestSource> source)
    : QObject(edit), FEdit(edit), FSource(std::move(source)) {
    // A child of the window above its other widgets: it never takes the focus from the field
    // and shows in a grab of the window.
    FList = new QListWidget(edit->window());
    FList->setObjectName(edit->objectName() + QStringLiteral("Suggestions"));
    FList->setFocusPolicy(Qt::NoFocus);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setUniformItemSizes(true);
    // A long path loses its top, never the place and its type at the end.
    FList->setTextElideMode(Qt::ElideLeft);
    FList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FList->hide();
    FPause.setSingleShot(true);
    FPause.setInterval(PauseMs);
    connect(&FPause, &QTimer::timeout, this, &TSuggestList::Ask);
    connect(edit, &QLineEdit::textEdited, this, &TSuggestList::TextEdited);
    connect(FList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Choose(FList->row(item), false); });
    edit->installEventFilter(this);
}

TSuggestList::~TSuggestList() = default;

bool TSuggestList::IsOpen() const { return FList->isVisible(); }

void TSuggestList::Close() {
    FList->hide();
    FList->clear();
}

void TSuggestList::TextEdited(const QString& text) {
    ++FTicket;  // whatever is on its way answers a text that is gone
    if (text.trimmed().size() < MinChars) {
        FPause.stop();
        Close();
        return;
    }
    FPause.start();
}

void TSuggestList::Ask() {
    const int ticket = ++FTicket;
    const QPointer<TSuggestList> self(this);
    Close();
    Application::Instance().Protect(FEdit->window(), [&] {
        FSource->Request(FEdit->text(), [self, ticket](QList<TSuggestion> found) {
            if (self && ticket == self->FTicket) self->Show(found);
        });
    });
}

void TSuggestList::Show(const QList<TSuggestion>& found) {
    FList->clear();
    if (found.isEmpty() || !FEdit->hasFocus()) return Close();
    for (const TSuggestion& s : found) {
        auto* item = new QListWidgetItem(RowText(s), FList);
        item->setData(Qt::UserRole, s.Id);
        item->setToolTip(s.Path);
    }
    FList->setCurrentRow(-1);
    Place();
    FList->show();
    FList->raise();
}

// Just under the field, wider than it where the window allows (moved left to stay inside),
// tall enough for its rows.
void TSuggestList::Place() {
    QWidget* window = FList->parentWidget();
    const QPoint at = FEdit->mapTo(window, QPoint(0, FEdit->height()));
    const int rows = std::min(FList->count(), kVisibleRows);
    const int height = rows * FList->sizeHintForRow(0) + 2 * FList->frameWidth();
    const int width = std::min(std::max(FEdit->width(), kWidth), window->width());
    FList->setGeometry(std::max(0, std::min(at.x(), window->width() - width)), at.y(), width,
                       height);
}

void TSuggestList::Move(int step) {
    const int row = std::clamp(FList->currentRow() + step, 0, FList->count() - 1);
    FList->setCurrentRow(row);
}

void TSuggestList::Choose(int row, bool byEnter) {
    if (row < 0 || row >= FList->count()) return;
    const int id = FList->item(row)->data(Qt::UserRole).toInt();
    ++FTicket;
    FPause.stop();
    Close();
    if (OnChoose) OnChoose(id, byEnter);
}

bool TSuggestList::HandleKey(int key) {
    switch (key) {
        case Qt::Key_Down:
            Move(1);
            return true;
        case Qt::Key_Up:
            Move(-1);
            return true;
        case Qt::Key_Escape:
            Close();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (FList->currentRow() < 0) {
                Close();
                return false;  // the field's own Enter
            }
            Choose(FList->currentRow(), true);
            return true;
        default:
            return false;
    }
}

bool TSuggestList::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FEdit) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            if (!IsOpen()) break;
            auto* key = static_cast<QKeyEvent*>(event);
            const bool listKey = key->key() == Qt::Key_Down || key->key() == Qt::Key_Up ||
                                 key->key() == Qt::Key_Escape ||
                                 ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                                  FList->currentRow() >= 0);
            // Keys the list takes are not the window's shortcuts (Escape must not close it).
            if (event->type() == QEvent::ShortcutOverride) {
                if (listKey) event->accept();
                return listKey;
            }
            return HandleKey(key->key());
        }
        case QEvent::FocusOut:
            // A click in the list takes no focus; any other focus change ends the suggestions.
            ++FTicket;
            FPause.stop();
            Close();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
