#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>

class TOraSession;

// Base of the frames placed inside forms. A frame owns its inner components: a
// form's binding does not reach them, the frame binds them itself.
//
// Created in two phases, like the forms:
//   TfrPelmBaseFrame::Create<TfrObjectInfo>(owner, parent, session, schema)
// The frame's Qt parent is the parent control, which lies within the owner form,
// so the frame lives as long as its owner. It fills the parent's client area.
class TfrPelmBaseFrame : public QFrame {
    Q_OBJECT
public:
    template <class T, class... Args>
    static T* Create(QWidget* owner, QWidget* parent, TOraSession* session, const QString& schema,
                     Args&&... args) {
        std::unique_ptr<T> frame(new T(parent, std::forward<Args>(args)...));
        frame->Construct(owner, session, schema);
        return frame.release();
    }

    explicit TfrPelmBaseFrame(QWidget* parent);

    TOraSession* Session() const { return FSession; }
    const QString& Shema() const { return FShema; }
    QWidget* Owner() const { return FOwner; }
    bool FrameActive() const { return FActive; }

    // The design-time session, replaced at run time by the one given.
    TOraSession* OraSession = nullptr;

protected:
    void Construct(QWidget* owner, TOraSession* session, const QString& schema);
    // Makes the frame active; subclasses extend it.
    virtual void InitFrame();
    virtual void SetFrameActive(bool active) { FActive = active; }

    TOraSession* FSession = nullptr;
    QString FShema;
    bool FActive = false;

private:
    QPointer<QWidget> FOwner;
};
