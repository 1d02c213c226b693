#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QLineEdit;
class QListWidget;
class TOraStoredProc;

// One place offered while the user types.
struct TSuggestion {
    int Id = -1;
    QString Name;
    QString TypeName;
    QString Path;
};

// Where suggestions come from. The answer may come at once or later; the list keeps only the
// answer to the text the field holds now.
class ISuggestSource {
public:
    virtual ~ISuggestSource() = default;
    virtual void Request(const QString& text, std::function<void(QList<TSuggestion>)> done) = 0;
};

// The server's suggestions: a call bounded by the rows it returns, quick enough to run on
// the window's thread after a pause in typing.
class TServerSuggestSource : public ISuggestSource {
public:
    // `proc` calls SUGGEST_T#LOCATION; `separator` gives the tree's.
    TServerSuggestSource(TOraStoredProc* proc, std::function<QString()> separator);
    void Request(const QString& text, std::function<void(QList<TSuggestion>)> done) override;
    // The user's own places (recent, starred), which come first when they match.
    void SetFirstPlaces(std::function<QList<int>()> places) { FFirstPlaces = std::move(places); }

private:
    TOraStoredProc* FProc;
    std::function<QString()> FSeparator;
    std::function<QList<int>()> FFirstPlaces;
};

// The list of suggestions under a text field: it asks from the second character, after a
// short pause; Up and Down move in it, Enter or a click chooses, Escape closes it and does
// nothing else. Enter with no row chosen is the field's own.
class TSuggestList : public QObject {
    Q_OBJECT
public:
    static constexpr int PauseMs = 200;
    static constexpr int MinChars = 2;

    TSuggestList(QLineEdit* edit, std::shared_ptr<ISuggestSource> source);
    ~TSuggestList() override;

    QListWidget* List() const { return FList; }
    bool IsOpen() const;
    // The place chosen, and whether by Enter (a click otherwise).
    std::function<void(int id, bool byEnter)> OnChoose;
    void Close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TextEdited(const QString& text);
    void Ask();
    void Show(const QList<TSuggestion>& found);
    void Place();
    void Move(int step);
    void Choose(int row, bool byEnter);
    bool HandleKey(int key);

    QLineEdit* FEdit;
    QListWidget* FList;
    std::shared_ptr<ISuggestSource> FSource;
    QTimer FPause;
    int FTicket = 0;  // the text asked last; older answers are dropped
};
