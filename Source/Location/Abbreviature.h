#pragma once

#include "Location/DictionaryBrowse.h"

// The abbreviation dictionary: full names, short names and the 16x16 pictures.
//   auto* form = TComBaseForm::Create<TfAbbreviature>(owner, session, schema);
class TfAbbreviature : public TfDictionaryBrowse {
    Q_OBJECT
public:
    TfAbbreviature(QWidget* owner, TOraSession* session, const QString& schema);

    TGridColumn* cxColumnName = nullptr;
    TGridColumn* cxColumnNameS = nullptr;
    TGridColumn* cxColumnImage = nullptr;
    TOraStoredProc* ospObjectDelete = nullptr;

    // What the add and edit dialogs use to choose a picture file (see
    // TfAddEditAbbreviature::ChooseFile); empty keeps the dialogs' own.
    std::function<QString(QWidget*)> ChooseFile;

protected:
    bool RunDialog(quint8 mode, int& id) override;
    int CallDelete(int id) override;
    QString ReferencedCaption() const override;
    QString DeleteFailedCaption() const override;
    bool Follows(const TJournalRow& row) const override { return row.Is("ABBREV"); }
    bool FreezeDuringDelete() const override { return true; }
};
