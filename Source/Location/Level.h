#pragma once

#include "Location/DictionaryBrowse.h"

class TOraQuery;

// The level dictionary: level numbers paired with abbreviations.
//   auto* form = TComBaseForm::Create<TfLevel>(owner, session, schema);
class TfLevel : public TfDictionaryBrowse {
    Q_OBJECT
public:
    TfLevel(QWidget* owner, TOraSession* session, const QString& schema);

    TGridColumn* cxColumnLevel = nullptr;
    TGridColumn* cxColumnAbbrev = nullptr;
    TOraQuery* oqObjectDelete = nullptr;

protected:
    bool RunDialog(quint8 mode, int& id) override;
    int CallDelete(int id) override;
    QString ReferencedCaption() const override;
    QString DeleteFailedCaption() const override;
    // A level is shown with its abbreviation's name.
    bool Follows(const TJournalRow& row) const override {
        return row.Is("LEVEL") || row.Is("ABBREV");
    }
};
