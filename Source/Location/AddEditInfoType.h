#pragma once

#include <functional>

#include "FormReposit/PelmBaseForm_Dialog.h"
#include "Location/LimitedEdits.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;

// The dialog in which one information item is typed: its text, description and
// active flag. The information frame fills it, runs it and reads the values back (or
// stores them through Save); the dialog makes no server call. Create it with
//   TComBaseForm::Create<TfAddEditInfoType>(nullptr, session, schema)
// and end it with TComBaseForm::Free.
class TfAddEditInfoType : public TfPelmBaseForm_Dialog {
    Q_OBJECT
public:
    TfAddEditInfoType(QWidget* owner, TOraSession* session, const QString& schema);

    // 1 add, 2 edit: also captions the dialog; other modes leave the caption.
    void SetDialogMode(quint8 mode) override;
    // Labels the text field with the kind's name (unknown kinds keep the label).
    void SetInfoKind(int kind);
    int InfoKind() const { return FInfoKind; }

    // The text without surrounding blanks.
    QString Value() const;
    void SetValue(const QString& value);
    QString Description() const;
    void SetDescription(const QString& description);
    bool Active() const;
    void SetActive(bool active);

    bool Execute() override;

    // Stores the typed values when OK is pressed; the dialog closes only when it answers
    // true, and stays open with its values otherwise. Unset, OK closes.
    std::function<bool()> Save;

    // The length of the VALUE and DESCRIPTION columns.
    static constexpr int MaxTextLength = 255;

    QWidget* pClient = nullptr;
    QLabel* lInfoName = nullptr;
    QLineEdit* edtInfo = nullptr;
    QLabel* lDescription = nullptr;
    TLimitedMemo* meDescription = nullptr;
    QCheckBox* cbxInfoActive = nullptr;
    QAction* aOK = nullptr;

protected:
    void InitForm() override;
    void FormShow() override;
    void FormDestroy() override;

private:
    void aOKExecute();
    void TellTooLong();

    int FInfoKind = -1;
};
