#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// Numbered interface texts ("sources") shared by components. Each source is one
// line "ID=text" of a string list, looked up by the decimal ID.
class TQXVSources : public QObject {
    Q_OBJECT
public:
    explicit TQXVSources(QObject* owner = nullptr);

    int IndexOfSource(int id) const;
    // The text of a source; empty when there is none.
    QString GetSource(int id) const;
    // Appends the line for id with the default text; returns its index.
    int AddSource(int id);
    void SetSourceAt(int index, const QString& text);
    // Creates the source with its default text when missing; an empty text keeps the default.
    void SetSource(int id, const QString& text);

    const QStringList& Lines() const { return FList; }

protected:
    // Text for a number added without one. A plain sources object has no defaults.
    virtual QString GetDefaultSource(int id) const;
    // Called after a source was set.
    virtual void SourceChanged(int id);

private:
    QStringList FList;
};

class TQXVSourcesReference;

// What a component implements to take its texts from a sources reference.
class ISourcesClient {
public:
    virtual ~ISourcesClient() = default;
    // The sources to use have changed (may be null).
    virtual void SourcesChanged(TQXVSources* sources) = 0;
    // The reference this client is attached to (null when detached).
    virtual void SetSourceReference(TQXVSourcesReference* reference) = 0;
};

// Hands one sources object to every registered client and tells them when it changes.
class TQXVSourcesReference : public QObject {
    Q_OBJECT
public:
    explicit TQXVSourcesReference(QObject* owner = nullptr);
    ~TQXVSourcesReference() override;

    TQXVSources* Sources() const { return FSources; }
    void SetSources(TQXVSources* sources);

    void RegisterClient(ISourcesClient* client);
    void UnregisterClient(ISourcesClient* client, bool notify);
    const QList<ISourcesClient*>& Clients() const { return FClients; }

private:
    QPointer<TQXVSources> FSources;  // not owned
    QList<ISourcesClient*> FClients;
};

// Attaches or detaches a client's stored reference (the body of a SourceReference setter).
// Notify is false while the client itself is being destroyed.
void SetClientSourceReference(ISourcesClient* client, TQXVSourcesReference*& field,
                              TQXVSourcesReference* reference, bool notify = true);

// The text a component shows for a number: from the sources, or the library default.
QString GetSourceText(const TQXVSources* sources, int id);
