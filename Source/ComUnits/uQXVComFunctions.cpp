#include "ComUnits/uQXVComFunctions.h"

#include <QLocale>

#include <iterator>

namespace {

struct TDefaultSource {
    int Id;
    const char* Text;
};

// The library's default texts, in the order they are set.
constexpr TDefaultSource DefaultSources[] = {
    {99, "clHotLight"},
    {98, "clHotLight"},
    {101, "Ошибка с сообщением: \"%s\""},
    {102, "Несуществующая директория"},
    {103, "Создать директорию \"%s\"?"},
    {104, "Директория \"%s\" не существует"},
    {105, "Директория \"%s\" не создана"},
    {106, "Проверьте корректность названия"},
    {107, "Значение должно находиться между %s и %s"},
    {108, "Автопечать"},
    {109, "Кол-во копий"},
    {110, "Принтер"},
    {111, "По текущей записи"},
    {112, "Формировать под новым именем"},
    {113, "Сохранять под новым именем"},
    {114, "Директория для сохранения отчетов"},
    {115, "Директория для отправки отчетов"},
    {116, "Изменить каталог для отправки отчетов?"},
    {117, "Изменение каталога отправки отчетов"},
    {118, "По адресу"},
    {119, "подкаталог адресата"},
    {120, "Выбор директории адресата"},
    {121, "Некорректные символы"},
    {122, "Некорректные символы в названии"},
    {123, "Открыть"},
    {124, "Создать"},
    {125, "Свернуть"},
    {126, "Развернуть"},
    {127, "Просмотр"},
    {128, "Сохранение в файл"},
    {129, "Отправка по почте"},
    {130, "Открыть/Создать директорию"},
    {131, "Очистить"},
    {132, "Выбрать"},
    {133, "Выбор директории"},
    {134, "Выбрать директорию"},
    {135, "Отменить выбор директории"},
    {136, "Поиск"},
    {137, "Поиск данных по полю \"%s\" невозможен"},
    {138, "Не выбрано поле для поиска"},
    {139, "День"},
    {140, "Месяц"},
    {141, "Год"},
    {142, "Выбор каталога для отправки отчетов"},
    {143, "Выбор подкаталога адресата"},
    {144, "Выбор каталога для сохранения отчетов"},
    {145, "Квартал"},
};
static_assert(std::size(DefaultSources) == 47);

// Numbers are counted from this base; it has no text of its own.
constexpr int SourceBase = 100;

bool ReadsAsNonZero(const std::optional<QString>& text) {
    if (!text) return false;
    bool ok = false;
    const int v = text->trimmed().toInt(&ok);
    return ok && v != 0;
}

bool ReadsAsZero(const std::optional<QString>& text) {
    if (!text) return false;
    bool ok = false;
    const int v = text->trimmed().toInt(&ok);
    return ok && v == 0;
}

}  // namespace

TQXVDefSources::TQXVDefSources(QObject* owner) : TQXVSources(owner) {
    for (const TDefaultSource& s : DefaultSources) SetSource(s.Id, QString::fromUtf8(s.Text));
}

QString TQXVDefSources::DefaultText(int id) {
    for (const TDefaultSource& s : DefaultSources)
        if (s.Id == id) return QString::fromUtf8(s.Text);
    return QStringLiteral("ID_BASE %1 %2 = Source is not found")
        .arg(id < SourceBase ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(qAbs(id - SourceBase));
}

QString TQXVDefSources::GetDefaultSource(int id) const { return DefaultText(id); }

TLocaleInfo SystemLocaleInfo() {
    return [](int item) -> std::optional<QString> {
        const QLocale locale = QLocale::system();
        const QString time = locale.timeFormat(QLocale::LongFormat);
        switch (item) {
            case LocaleItem::ShortDate:
                return locale.dateFormat(QLocale::ShortFormat);
            case LocaleItem::TimeFormat:
                return time;
            case LocaleItem::Clock24:
                return time.contains(u'H') ? QStringLiteral("1") : QStringLiteral("0");
            case LocaleItem::HourLeadingZero:
                return time.contains(QLatin1String("HH"), Qt::CaseInsensitive)
                           ? QStringLiteral("1")
                           : QStringLiteral("0");
            case LocaleItem::AmDesignator:
                return locale.amText();
            case LocaleItem::TimeMarkerPosition:
                return time.startsWith(u'A', Qt::CaseInsensitive) ? QStringLiteral("1")
                                                                  : QStringLiteral("0");
            case LocaleItem::DateSeparator:
                return QStringLiteral("/");
            case LocaleItem::TimeSeparator:
                return QStringLiteral(":");
            default:
                return std::nullopt;
        }
    };
}

QString BuildTimeFormat(const TLocaleInfo& info) {
    const QString format = info(LocaleItem::TimeFormat).value_or(QStringLiteral("0"));
    // A proper format string is used as it is; only a numeric answer asks for one to be built.
    if (!ReadsAsNonZero(format)) return format;
    const bool twelveHour = ReadsAsZero(info(LocaleItem::Clock24));
    QString hours = twelveHour ? QStringLiteral("h") : QStringLiteral("H");
    if (ReadsAsNonZero(info(LocaleItem::HourLeadingZero))) hours += hours;
    QString prefix;
    QString suffix;
    if (twelveHour) {
        if (ReadsAsNonZero(info(LocaleItem::TimeMarkerPosition)))
            prefix = QStringLiteral("tt ");
        else
            suffix = QStringLiteral(" tt");
        if (!ReadsAsNonZero(info(LocaleItem::AmDesignator))) suffix += QStringLiteral(" AM/PM");
    }
    const QString sep = info(LocaleItem::TimeSeparator).value_or(QStringLiteral(":"));
    return prefix + hours + sep + QStringLiteral("mm") + sep + QStringLiteral("ss") + suffix;
}

QString BuildDateFormat(const TLocaleInfo& info) {
    if (const auto format = info(LocaleItem::ShortDate); format && !format->isEmpty())
        return *format;
    const QString sep = info(LocaleItem::DateSeparator).value_or(QStringLiteral("."));
    return QStringLiteral("yyyy") + sep + QStringLiteral("MM") + sep + QStringLiteral("DD");
}

QString DefaultDateFormat() {
    static const QString format = BuildDateFormat(SystemLocaleInfo());
    return format;
}

QString DefaultTimeFormat() {
    static const QString format = BuildTimeFormat(SystemLocaleInfo());
    return format;
}

QString DefaultDateTimeFormat() { return DefaultDateFormat() + u' ' + DefaultTimeFormat(); }
