#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QMenu;
class QObject;

// Translates the texts of a form's components (captions, hints, texts, list items,
// header labels, field labels, popup menu items) through one lookup, reaching into
// frames. Built, used and thrown away within one pass; nothing stays attached to the
// form afterwards. Texts a control receives later are not translated.

// Walk options.
enum TLangOption : unsigned {
    loOwned = 1u << 0,     // go on into the components the component owns
    loSkipSelf = 1u << 2,  // no item for the component itself (its owned ones still get one)
};

// How the texts of one component are split and marked.
enum TTextFlag : unsigned {
    tfMultiLine = 1u << 0,    // each line translated by itself, joined with CR LF
    tfPhrases = 1u << 1,      // each line split at " | " into phrases translated one by one
    tfCommentMark = 1u << 3,  // a phrase starting with "//" loses the mark, stays untranslated
    tfAccelerator = 1u << 5,  // the "&" of the first phrase kept out of the lookup
};

// A text keeps its caption or text (only its hint is translated) with this Tag.
inline constexpr int KeepCaptionTag = 2147483647;

using TLangTranslate = std::function<QString(const QString& text)>;
// True when the component must be left out, with everything beneath it.
using TLangFilter = std::function<bool(QObject* component)>;

class TLang {
public:
    explicit TLang(TLangTranslate translate, TLangFilter filter = {});

    void CollectComponent(QObject* component, unsigned options);
    // Translates every collected component; a failure in one does not stop the others.
    void TranslateAll();
    int ItemCount() const { return static_cast<int>(FItems.size()); }

    // The text pipeline: lines, phrases, comment mark, accelerator, white space.
    // A text equal to the component's name is kept.
    QString TranslateText(const QString& text, unsigned flags, const QString& name = {}) const;

private:
    enum class TKind {
        Widget,
        Label,
        Button,
        GroupBox,
        Edit,
        Memo,
        ComboBox,
        ListBox,
        TabWidget,
        TreeWidget,
        TableWidget,
        ItemView,
        Menu,
        Action,
        DataSet,
        Form
    };
    struct TItem {
        QPointer<QObject> Component;
        TKind Kind;
        unsigned Flags;
    };

    void Collect(QObject* component, unsigned options, bool isRoot);
    bool Refused(QObject* component);
    bool Permitted(QObject* component);
    void CollectMenuItems(QMenu* menu);
    void AddItem(QObject* component, bool isRoot);
    void TranslateItem(const TItem& item);
    QString Tr(const QString& text, unsigned flags, const QObject* component) const;
    QString TranslatePhrase(const QString& phrase, unsigned flags, bool accelerator) const;

    TLangTranslate FTranslate;
    TLangFilter FFilter;
    std::vector<TItem> FItems;
    QList<QObject*> FAdded;
    QHash<QObject*, bool> FRefused;
};

// Runs one pass over root: its owned components (with loOwned) and root itself
// (unless loSkipSelf).
void TranslateComponents(QObject* root, const TLangTranslate& translate, const TLangFilter& filter,
                         unsigned options);

// Makes every form of the process translate itself on show while a translation
// module exists.
void InstallTranslationPass();
