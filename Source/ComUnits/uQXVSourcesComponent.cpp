#include "ComUnits/uQXVSourcesComponent.h"

#include "ComUnits/uQXVComFunctions.h"

TQXVSources::TQXVSources(QObject* owner) : QObject(owner) {}

int TQXVSources::IndexOfSource(int id) const {
    const QString name = QString::number(id) + u'=';
    for (int i = 0; i < FList.size(); ++i)
        if (FList[i].startsWith(name)) return i;
    return -1;
}

QString TQXVSources::GetSource(int id) const {
    const int index = IndexOfSource(id);
    if (index < 0) return {};
    const QString& line = FList[index];
    return line.mid(line.indexOf(u'=') + 1);
}

int TQXVSources::AddSource(int id) {
    FList << QString::number(id) + u'=' + GetDefaultSource(id);
    return FList.size() - 1;
}

void TQXVSources::SetSourceAt(int index, const QString& text) {
    QString& line = FList[index];
    line = line.left(line.indexOf(u'=') + 1) + text;
}

void TQXVSources::SetSource(int id, const QString& text) {
    int index = IndexOfSource(id);
    if (index < 0) index = AddSource(id);
    if (!text.isEmpty()) SetSourceAt(index, text);
    SourceChanged(id);
}

QString TQXVSources::GetDefaultSource(int) const { return {}; }

void TQXVSources::SourceChanged(int) {}

TQXVSourcesReference::TQXVSourcesReference(QObject* owner) : QObject(owner) {}

TQXVSourcesReference::~TQXVSourcesReference() {
    while (!FClients.isEmpty()) UnregisterClient(FClients.front(), true);
}

void TQXVSourcesReference::SetSources(TQXVSources* sources) {
    if (FSources == sources) return;
    FSources = sources;
    // A client may unregister itself while being told; walk a copy.
    const QList<ISourcesClient*> clients = FClients;
    for (ISourcesClient* client : clients) client->SourcesChanged(FSources);
}

void TQXVSourcesReference::RegisterClient(ISourcesClient* client) {
    if (!client || FClients.contains(client)) return;
    FClients << client;
    client->SourcesChanged(FSources);
}

void TQXVSourcesReference::UnregisterClient(ISourcesClient* client, bool notify) {
    if (!FClients.removeOne(client)) return;
    client->SetSourceReference(nullptr);
    if (notify) client->SourcesChanged(nullptr);
}

void SetClientSourceReference(ISourcesClient* client, TQXVSourcesReference*& field,
                              TQXVSourcesReference* reference, bool notify) {
    if (!client) return;
    if (reference) {
        if (reference == field) return;
        field = reference;
        reference->RegisterClient(client);
        return;
    }
    if (!field) return;
    TQXVSourcesReference* old = field;
    field = nullptr;
    old->UnregisterClient(client, notify);
}

QString GetSourceText(const TQXVSources* sources, int id) {
    if (sources) return sources->GetSource(id);
    return TQXVDefSources::DefaultText(id);
}
