#pragma once

// What the tests of the location dialog and the dictionaries share: an embedded
// database reached through a connection that records every routine call (and can
// be told to fail one, reverse a cursor, or answer with a chosen result), the
// message-box recorder, the modal driver and the service's data module.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "ComUnits/Lang/uLangComp.h"
#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/DataMod.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

// Passes everything through to `inner`, counting as its base does, and keeps every routine
// call with its inputs.
class RecordingConnection : public CountingConnection {
public:
    struct TCall {
        QString Routine;  // "INS_T#LOCATION"
        std::vector<TBoundValue> Inputs;

        QVariant Input(const QString& name) const {
            for (const TBoundValue& v : Inputs)
                if (v.Name.compare(name, Qt::CaseInsensitive) == 0) return v.Value;
            return QVariant();
        }
    };

    explicit RecordingConnection(IDbConnection& inner) : CountingConnection(inner) {}

    // Calls of one routine, in order.
    std::vector<TCall> CallsOf(const QString& routine) const {
        std::vector<TCall> out;
        for (const TCall& c : Calls)
            if (c.Routine == routine) out.push_back(c);
        return out;
    }

    std::vector<TCall> Calls;
    std::map<QString, QString> Failing;      // routine -> error text raised instead of calling
    std::map<QString, long long> Answers;    // routine -> RESULT given instead of the server's
    std::map<QString, bool> ReversedCursor;  // routine -> rows come back in reverse order

    TCallResult Call(const TRoutineDesc& routine, const std::vector<TBoundValue>& inputs) override {
        Calls.push_back({routine.Routine, inputs});
        if (auto f = Failing.find(routine.Routine); f != Failing.end())
            throw EOraError::Make(OraCode::UserDefined, f->second);
        if (auto a = Answers.find(routine.Routine); a != Answers.end()) {
            TCallResult r;
            r.OutValues.push_back({QStringLiteral("RESULT"), QVariant(a->second)});
            return r;
        }
        TCallResult result = CountingConnection::Call(routine, inputs);
        if (ReversedCursor.count(routine.Routine) && result.Cursor) result.Cursor->Rows.Reverse();
        return result;
    }
};

// A message box as one line, "text | caption | flags", so that a test states every box it
// expects in one comparison.
inline QString BoxLine(const QString& text, const QString& caption, unsigned flags) {
    return text + QStringLiteral(" | ") + caption + QStringLiteral(" | ") + QString::number(flags);
}
inline QStringList BoxLines(const MessageBoxRecorder& boxes) {
    QStringList lines;
    for (const auto& c : boxes.Calls()) lines << BoxLine(c.Text, c.Caption, c.Flags);
    return lines;
}

// The host's translation pass while it lives: a picture of a window shows what its user reads.
struct TTranslatedForms {
    TTranslatedForms() { InstallTranslationPass(); }
    ~TTranslatedForms() { TComBaseForm::SetTranslatePass({}); }
};

class LocationDialogTest : public ::testing::Test {
protected:
    LocationDialogTest() : FRec(FDb.Counting()), FDM(nullptr) {
        FSession.AdoptConnection(&FRec);
        SetCurrentDM(&FDM);
    }
    ~LocationDialogTest() override {
        SetCurrentDM(nullptr);
        DoneTranslation();
    }

    TOraSession* Session() { return &FSession; }
    const QString& Schema() const { return FDb.Schema(); }

    // A row of a reading routine, as the server has it now.
    TRowSet Rows(const QString& routine, const std::vector<TBoundValue>& inputs) {
        return FDb.Rows(QStringLiteral("QXVERPLOCAT"), routine, inputs);
    }
    static QVariant Column(const TRowSet& rows, size_t row, const QString& column) {
        return TestDatabase::Cell(rows, row, column);
    }

    // Runs dictionary `T` modally: `prepare` sets it up (rights, the file chooser), `act` is
    // what the user does in it, and the steps queued by Later answer the dialogs it opens.
    template <class T>
    void RunDictionary(const std::function<void(T&)>& act,
                       const std::function<void(T&)>& prepare = nullptr) {
        const TFormHolder<T> form(TComBaseForm::Create<T>(nullptr, Session(), Schema()));
        if (prepare) prepare(*form);
        FDriver.Then([&](QDialog& d) {
            act(static_cast<T&>(d));
            d.done(mrCancel);
        });
        for (ModalDriver::Action& step : FLater) FDriver.Then(std::move(step));
        FLater.clear();
        form->Execute();
    }
    void Later(ModalDriver::Action step) { FLater.push_back(std::move(step)); }
    // Reads of a dictionary's whole list (PID -1), not of one row.
    int ListReads(const QString& routine) const {
        int reads = 0;
        for (const auto& call : FRec.CallsOf(routine)) reads += call.Input("PID").toInt() == -1;
        return reads;
    }

    template <class T>
    static T* Child(QObject& form, const char* name) {
        T* child = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    TestDatabase FDb;
    RecordingConnection FRec;
    TOraSession FSession;
    TDM FDM;
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    std::vector<ModalDriver::Action> FLater;
};
