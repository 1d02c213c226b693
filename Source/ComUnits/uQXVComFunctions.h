#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "ComUnits/uQXVSourcesComponent.h"

// Sources filled with the library's default texts; any other number gets a made-up text.
class TQXVDefSources : public TQXVSources {
    Q_OBJECT
public:
    explicit TQXVDefSources(QObject* owner = nullptr);

    // The default table's text for id, or "ID_BASE + 50 = Source is not found" style.
    static QString DefaultText(int id);

protected:
    QString GetDefaultSource(int id) const override;
};

// Locale information items, as the platform numbers them.
namespace LocaleItem {
constexpr int ShortDate = 31;  // short date format
constexpr int Clock24 = 35;    // "1": 24-hour clock, "0": 12-hour
constexpr int HourLeadingZero = 37;
constexpr int AmDesignator = 40;
constexpr int TimeFormat = 4099;
constexpr int TimeMarkerPosition = 4101;  // "1": marker before the time
constexpr int DateSeparator = 29;
constexpr int TimeSeparator = 30;
}  // namespace LocaleItem

// Answers one locale information item; nothing when the item is unavailable.
using TLocaleInfo = std::function<std::optional<QString>(int item)>;

// The user's locale as Qt reports it, answering the items above.
TLocaleInfo SystemLocaleInfo();

// Date and time formats built from locale items (exposed for tests).
QString BuildTimeFormat(const TLocaleInfo& info);
QString BuildDateFormat(const TLocaleInfo& info);

// Formats for date and time controls, computed once from the user's locale.
QString DefaultDateFormat();
QString DefaultTimeFormat();
QString DefaultDateTimeFormat();
