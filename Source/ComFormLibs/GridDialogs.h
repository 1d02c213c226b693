#pragma once

// What the dialogs of the library share: the settings file they keep their choices in,
// and how a data set's field is shown and compared.

#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QString>

#include "Platform/Data/DataSet.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ini/IniFile.h"

namespace ComFormLibs {

// The library's own settings beside the host's, one section per settings name it is given.
inline TIniFile Settings() {
    return TIniFile(QDir(HostSettingsFolder()).filePath("ComFormLibs.ini"));
}

// Russian texts for Russian users, English for the rest.
inline QString Text(int language, const char* russian, const char* english) {
    return language == 25 ? QString::fromUtf8(russian) : QString::fromUtf8(english);
}

// OK and Cancel in the dialog's language, with the names tests and scripts find them by.
inline QDialogButtonBox* OkCancel(QWidget* dialog, int language) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName("btnOk");
    ok->setText(Text(language, "ОК", "OK"));
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName("btnCancel");
    cancel->setText(Text(language, "Отмена", "Cancel"));
    return buttons;
}

}  // namespace ComFormLibs
