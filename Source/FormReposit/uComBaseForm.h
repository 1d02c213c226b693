#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

#include "ComUnits/uQXVComFunctions.h"
#include "ComUnits/uQXVSourcesComponent.h"

class QAction;

// Options of a translation pass over a form.
enum TTranslateOption : unsigned {
    toOwnedComponents = 1u << 0,  // walk the components the form owns
    toFormOnly = 1u << 2,         // applies to the form itself only (main forms)
};

class TComBaseForm;

// Reads one bitmap of the resource library by its number.
using TResourceBitmaps = std::function<QImage(int id)>;

// Modal results as the forms know them (mrOk is also QDialog::Accepted).
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// What runs the translation of a form when it is shown. The translation component
// plugs itself in here; until one is installed a shown form is not translated.
// The pass gets the form (TakeExclusion answers whether a component must be
// skipped, TranslateText translates one text), the exclusion list as it stands
// and the option bits.
using TTranslatePass =
    std::function<void(TComBaseForm& form, const QList<QObject*>& exclusions, unsigned options)>;

// The root of every form of the library.
//
// Two-phase creation. A C++ base constructor cannot reach a subclass's virtual
// operations, yet the form's creation runs them (OnCreate handlers, InitFormTexts,
// InitData...). So every form is made in two steps:
//   1. its C++ constructor builds the widgets and components (the form description)
//      and sets fields; it calls no virtual operation;
//   2. Construct() then AfterConstruction() run the creation proper.
// Always create forms through the factory, which does both and frees the form when
// creation throws:
//   auto* form = TComBaseForm::Create<TfLevel>(owner, session, schema);
// Free() or deleteLater() (not delete) ends a form, so that BeforeDestruction
// still reaches the subclass's operations.
//
// Create order. With OldCreateOrder the OnCreate handlers (DoCreate) run while the
// description is loaded, inside Construct(); without it they run in
// AfterConstruction(). Subclasses add their OnCreate code by overriding FormCreate()
// and calling the inherited one first.
class TComBaseForm : public QDialog {
    Q_OBJECT
public:
    template <class T, class... Args>
    static T* Create(Args&&... args) {
        std::unique_ptr<T> form(new T(std::forward<Args>(args)...));
        TComBaseForm* base = form.get();
        base->Construct();
        base->AfterConstruction();
        return form.release();
    }
    // Ends a form made by Create.
    static void Free(TComBaseForm* form);

    ~TComBaseForm() override;

    bool OldCreateOrder() const { return FOldCreateOrder; }
    bool Closed() const { return FClosed; }
    bool IsMainForm() const { return FIsMainForm; }
    const QList<QObject*>& TranslateExclusions() const { return FTranslateExclusions; }
    void AddTranslateExclusion(QObject* component);
    // True (and the component is taken off the list) when the pass must skip it.
    bool TakeExclusion(QObject* component);
    TQXVDefSources* DefSources() const { return FDefSources; }
    TQXVSourcesReference* QXVSourcesReference() const { return FQXVSourcesReference; }
    QStringList* Phrases() const { return FPhrases.get(); }

    // Process-wide: the pass every form runs when shown (empty: none).
    static void SetTranslatePass(TTranslatePass pass);
    static const TTranslatePass& TranslatePass();

    // Process-wide: the bitmaps of the resource library by number (a null image for
    // one it lacks). Empty while no resource library is loaded; forms then keep
    // their designed images.
    static void SetResourceBitmaps(TResourceBitmaps bitmaps);
    static const TResourceBitmaps& ResourceBitmaps();
    static bool ResourceLibraryLoaded();

    // The texts of the default sources table, as this form chain fills them.
    static const QList<std::pair<int, QString>>& DefaultSourceTexts();

    // Ends a modal run with `result` through the path a close takes (the close query, the
    // close-time saving and commit). False, with the window open, when that path refuses.
    bool CloseModal(int result);

protected:
    // Which description the C++ constructor builds: the own one (QXVSourcesReference,
    // ActionList1 with acDBGExist) or none (a chain with a description of its own).
    enum class TDescription { Own, None };
    explicit TComBaseForm(QWidget* owner, TDescription description = TDescription::Own);

    // Second phase, see the class comment. Subclasses extend it around the inherited one.
    virtual void Construct();
    virtual void AfterConstruction();
    virtual void BeforeDestruction() {}

    // Loads what the toolkit takes from the form description. Forms built in code
    // have done that in their constructors, so the base does nothing; a failure here
    // is retried once and then reported.
    virtual void LoadDescription() {}
    // Runs the OnCreate handlers.
    virtual void DoCreate();
    // OnCreate of this form: see the .cpp. Subclasses call the inherited one first.
    virtual void FormCreate();
    // OnShow, OnClose and OnDestroy handlers.
    virtual void FormShow() {}
    virtual void FormClose();
    virtual void FormDestroy();
    // Whether the form may close now.
    virtual bool CloseQuery() { return true; }

    virtual void AfterTranslate() {}
    virtual void LoadResourceImages() {}
    virtual void InitFormTexts();

    void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
    void SetIsMainForm(bool value) { FIsMainForm = value; }

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The close query and the OnClose handlers. A failure in them (a refused commit) is
    // shown in an error box and keeps the window open with its data.
    bool RunClosing();

    // Handler of acDBGExist: with "DBG.dll" in the host's folder, harvests the form's
    // Russian phrases for the translators.
    virtual void acDBGExistExecute();

    QPointer<TQXVSourcesReference> FQXVSourcesReference;
    QObject* ActionList1 = nullptr;
    QAction* acDBGExist = nullptr;

    bool FClosed = false;
    QList<QObject*> FTranslateExclusions;
    bool FTranslateExclusionsReleased = false;
    bool FIsMainForm = false;
    QPointer<TQXVDefSources> FDefSources;
    std::unique_ptr<QStringList> FPhrases;

private:
    void CreateToolkitForm();
    void RunTranslatePass();
    // The steps before destruction, once.
    void PrepareDestruction();
    void PrepareChildControls(QObject* parent);

    bool FOldCreateOrder = false;
    bool FFreeing = false;
};

// Holds a form made by TComBaseForm::Create and frees it the framework's way however the
// block that holds it is left.
struct TFormFree {
    void operator()(TComBaseForm* form) const { TComBaseForm::Free(form); }
};
template <class TForm>
using TFormHolder = std::unique_ptr<TForm, TFormFree>;
