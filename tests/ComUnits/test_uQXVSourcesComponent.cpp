#include "ComUnits/uQXVSourcesComponent.h"

#include <QMap>

#include <gtest/gtest.h>

#include "ComUnits/uQXVComFunctions.h"

namespace {

// A client that records what its reference tells it.
class RecordingClient : public ISourcesClient {
public:
    void SourcesChanged(TQXVSources* sources) override { Changes.push_back(sources); }
    void SetSourceReference(TQXVSourcesReference* reference) override {
        References.push_back(reference);
    }
    std::vector<TQXVSources*> Changes;
    std::vector<TQXVSourcesReference*> References;
};

TEST(SourcesTest, LinesAreFoundByTheirWholeNumber) {
    TQXVSources sources;
    sources.SetSource(136, "Find");
    sources.SetSource(13, "x=y");
    EXPECT_EQ(sources.GetSource(136), "Find");
    EXPECT_EQ(sources.GetSource(13), "x=y");  // everything after the first "="
    EXPECT_EQ(sources.GetSource(1), "");      // "1" is not "13" or "136"
    EXPECT_EQ(sources.Lines(), (QStringList{"136=Find", "13=x=y"}));
}

TEST(SourcesTest, DefaultSourcesHoldTheTableAndMakeUpTheRest) {
    TQXVDefSources sources;
    EXPECT_EQ(sources.GetSource(136), "Поиск");
    EXPECT_EQ(sources.GetSource(150), "");  // never set
    sources.SetSource(150, "");            // empty text keeps the default
    EXPECT_EQ(sources.GetSource(150), "ID_BASE + 50 = Source is not found");
    EXPECT_EQ(TQXVDefSources::DefaultText(97), "ID_BASE - 3 = Source is not found");
    sources.SetSource(136, "");  // an existing text stays
    EXPECT_EQ(sources.GetSource(136), "Поиск");
    // Without sources the text falls back to the defaults.
    TQXVSources empty;
    EXPECT_EQ(GetSourceText(&empty, 136), "");
    EXPECT_EQ(GetSourceText(nullptr, 136), "Поиск");
}

TEST(SourcesReferenceTest, ClientsAreToldOnceAndOnlyOfRealChanges) {
    RecordingClient client;  // outlives the reference, which tells its clients when it goes
    TQXVSources a;
    TQXVSources b;
    TQXVSourcesReference reference;

    reference.RegisterClient(&client);
    reference.RegisterClient(&client);  // a second registration is ignored
    EXPECT_EQ(reference.Clients().size(), 1);
    ASSERT_EQ(client.Changes.size(), 1u);
    EXPECT_EQ(client.Changes[0], nullptr);

    reference.SetSources(&a);
    reference.SetSources(&a);  // the same object: no notification
    reference.SetSources(&b);
    EXPECT_EQ(client.Changes, (std::vector<TQXVSources*>{nullptr, &a, &b}));
}

TEST(SourcesReferenceTest, UnregisteringDetachesAndNotifiesOnRequest) {
    TQXVSources sources;
    RecordingClient quiet;
    RecordingClient told;
    {
        TQXVSourcesReference reference;
        reference.SetSources(&sources);
        TQXVSourcesReference* field = nullptr;
        SetClientSourceReference(&quiet, field, &reference);
        EXPECT_EQ(field, &reference);
        SetClientSourceReference(&quiet, field, nullptr, false);
        EXPECT_EQ(field, nullptr);
        EXPECT_EQ(quiet.Changes, (std::vector<TQXVSources*>{&sources}));
        EXPECT_EQ(quiet.References, (std::vector<TQXVSourcesReference*>{nullptr}));

        reference.RegisterClient(&told);
    }  // destruction unregisters with notification
    EXPECT_EQ(told.Changes, (std::vector<TQXVSources*>{&sources, nullptr}));
    EXPECT_EQ(told.References, (std::vector<TQXVSourcesReference*>{nullptr}));
}

TEST(DefaultFormatsTest, ALocaleFormatIsUsedAsItIsAndANumericOneBuiltFromTheClockItems) {
    QMap<int, QString> items{
        {LocaleItem::TimeFormat, "1"},      {LocaleItem::Clock24, "0"},
        {LocaleItem::HourLeadingZero, "1"}, {LocaleItem::TimeMarkerPosition, "1"},
        {LocaleItem::AmDesignator, "AM"},   {LocaleItem::TimeSeparator, ":"}};
    auto info = [&items](int item) -> std::optional<QString> {
        if (items.contains(item)) return items[item];
        return std::nullopt;
    };
    EXPECT_EQ(BuildTimeFormat(info), "tt hh:mm:ss AM/PM");
    items[LocaleItem::TimeMarkerPosition] = "0";
    EXPECT_EQ(BuildTimeFormat(info), "hh:mm:ss tt AM/PM");
    items[LocaleItem::Clock24] = "1";
    items[LocaleItem::HourLeadingZero] = "0";
    EXPECT_EQ(BuildTimeFormat(info), "H:mm:ss");
    // No short date: year, month, day with the separator.
    items[LocaleItem::DateSeparator] = "-";
    EXPECT_EQ(BuildDateFormat(info), "yyyy-MM-DD");
    items[LocaleItem::TimeFormat] = "HH:mm:ss";
    items[LocaleItem::ShortDate] = "dd.MM.yyyy";
    EXPECT_EQ(BuildTimeFormat(info), "HH:mm:ss");
    EXPECT_EQ(BuildDateFormat(info), "dd.MM.yyyy");
}

}  // namespace
