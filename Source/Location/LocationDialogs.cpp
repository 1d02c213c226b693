#include "Location/LocationDialogs.h"

#include <QDateTime>
#include <QLabel>
#include <QTimeZone>
#include <QVBoxLayout>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Platform/Data/DataSet.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Data/UserRights.h"
#include "Platform/Ui/MessageBoxes.h"

QString FormatS(const QString& format, const QString& argument) {
    QString text = format;
    const int at = text.indexOf(QLatin1String("%s"));
    if (at >= 0) text.replace(at, 2, argument);
    return text;
}

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32) ++first;
    while (last > first && text.at(last - 1).unicode() <= 32) --last;
    return text.mid(first, last - first);
}

QWidget* DialogContent(QWidget* dialog) {
    auto* content = new QWidget(dialog);
    content->setObjectName(QStringLiteral("pContent"));
    if (auto* layout = qobject_cast<QVBoxLayout*>(dialog->layout()))
        layout->insertWidget(0, content, 1);
    return content;
}

QLabel* BlueLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->move(x, y);
    label->adjustSize();
    return label;
}

TOraStoredProc* LocatProc(QObject* form, const char* name, const char* routine) {
    auto* proc = new TOraStoredProc(form);
    proc->setObjectName(QString::fromLatin1(name));
    proc->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.") + QString::fromLatin1(routine));
    return proc;
}

TOraQuery* SessionRowsQuery(QObject* form, const char* name, const QStringList& sql,
                            const char* orderField, const QString& guid,
                            std::initializer_list<TSessionField> columns) {
    auto* query = new TOraQuery(form);
    query->setObjectName(QString::fromLatin1(name));
    query->SetSQL(sql + QStringList{QStringLiteral("&ORDER &FIELD")});
    query->Macros().Add(QStringLiteral("Shema"));
    query->MacroByName(QStringLiteral("ORDER")).SetValue(QStringLiteral("ORDER BY"));
    query->MacroByName(QStringLiteral("FIELD")).SetValue(QString::fromLatin1(orderField));
    query->ParamByName(QStringLiteral("GUID")).SetAsString(guid);
    for (const TSessionField& c : columns) {
        TField& field = query->AddField(QString::fromLatin1(c.Field), c.Type, TFieldKind::Data);
        field.SetVisible(c.Label != nullptr);
        if (!c.Label) continue;
        field.SetDisplayLabel(TranslateRu(QString::fromUtf8(c.Label)));
        field.SetDisplayWidth(c.Width);
    }
    return query;
}

TOraQuery* LocatCallBlock(QObject* form, const char* name, const QString& call) {
    auto* query = new TOraQuery(form);
    query->setObjectName(QString::fromLatin1(name));
    query->SetSQL({QStringLiteral("begin"), call, QStringLiteral("end;")});
    return query;
}

QString RefusalText(const std::exception& error) {
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    if (!ora || ora->ErrorCode() != UserRights::Refused) return QString();
    // "ORA-01031: Недостаточно прав: <the right>": both parts are phrases of their own.
    static const QString prefix = QStringLiteral("Недостаточно прав");
    QString what = ora->Message().trimmed();
    what = what.mid(what.indexOf(QLatin1String(": ")) + 2);
    if (what.startsWith(prefix + QStringLiteral(": ")))
        what = TranslateRu(what.mid(prefix.size() + 2));
    return TranslateRu(prefix) + QStringLiteral(": ") + what;
}

bool ShowRefusal(const std::exception& error, QWidget* owner) {
    const QString text = RefusalText(error);
    if (text.isEmpty()) return false;
    MessageBoxes::Show(text, TranslateRu(QStringLiteral("Местоположение")), MB_ICONEXCLAMATION,
                       owner);
    return true;
}

bool PlaceGone(const std::exception& error) {
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    return ora && ora->ErrorCode() == OraCode::ParentKeyNotFound &&
           (ora->Message().contains(QLatin1String(".FK_LOCATION_PARENT)")) ||
            ora->Message().contains(QLatin1String(".FK_INFORMATION_LOCATION)")));
}

void ShowPlaceGone(QWidget* owner) {
    MessageBoxes::Show(TranslateRu(QStringLiteral("Местоположение удалено другим пользователем")),
                       TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION, owner);
}

bool ChangedByOther(const std::exception& error) {
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    return ora && ora->ErrorCode() == OraCode::ChangedByOther;
}

QString ChangedByOtherText(const QString& user, const QString& utcTime, const QString& phrase) {
    QDateTime at = QDateTime::fromString(utcTime, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    at.setTimeZone(QTimeZone::utc());
    const QString when =
        at.isValid() ? at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : utcTime;
    return TranslateRu(phrase).arg(user, when);
}

void ShowChangedByOther(const QString& user, const QString& utcTime, QWidget* owner,
                        const QString& phrase) {
    MessageBoxes::Show(ChangedByOtherText(user, utcTime, phrase),
                       TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION, owner);
}

bool DeletedByOther(const std::exception& error) {
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    return ora && ora->ErrorCode() == OraCode::DeletedByOther;
}

void TEditedRow::Read(const TDataSet& row) {
    Version = row.FieldByName(QStringLiteral("VERSION")).AsInteger();
}

void TEditedRow::TellGone(QWidget* owner) {
    Gone = true;
    MessageBoxes::Show(TranslateRu(DeletedPhrase), TranslateRu(QStringLiteral("Местоположение")),
                       MB_ICONINFORMATION, owner);
}

bool TEditedRow::Answer(const std::exception& error, const TDataSet& row,
                        const std::function<bool()>& reload, QWidget* owner) {
    if (DeletedByOther(error)) {
        TellGone(owner);
        return true;
    }
    if (!ChangedByOther(error)) return false;
    if (!reload()) {
        TellGone(owner);
        return true;
    }
    Reloaded = true;
    Read(row);
    ShowChangedByOther(row.FieldByName(QStringLiteral("CHANGED_BY")).AsString(),
                       row.FieldByName(QStringLiteral("CHANGED_AT")).AsString(), owner,
                       ChangedPhrase);
    return true;
}

// "ORA-20003: <phrase>: <details>", a code or a name the server does not take, or
// "ORA-20004: <phrase>", a merge it refuses, with the phrase in the user's language.
QString PlaceDataText(const std::exception& error) {
    const auto* ora = dynamic_cast<const EOraError*>(&error);
    if (!ora || (ora->ErrorCode() != OraCode::PlaceDataRefused &&
                 ora->ErrorCode() != OraCode::MergeRefused))
        return QString();
    QString text = ora->Message().trimmed();
    text = text.mid(text.indexOf(QLatin1String(": ")) + 2);
    const qsizetype split = text.indexOf(QLatin1String(": "));
    return split < 0 ? TranslateRu(text) : TranslateRu(text.left(split)) + text.mid(split);
}

QString ErrorText(const std::exception& error) {
    if (const QString refusal = RefusalText(error); !refusal.isEmpty()) return refusal;
    if (const QString refused = PlaceDataText(error); !refused.isEmpty()) return refused;
    if (auto* ora = dynamic_cast<const EOraError*>(&error)) return ora->Message();
    return QString::fromUtf8(error.what());
}
