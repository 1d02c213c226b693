#include "Location/PlacePairsGrid.h"

#include <QComboBox>
#include <QHeaderView>

TPlacePairsGrid::TPlacePairsGrid(QWidget* parent, const char* name, bool otherKeys)
    : QTableWidget(0, 2, parent), FOtherKeys(otherKeys) {
    setObjectName(QString::fromLatin1(name));
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, 150);
    connect(this, &QTableWidget::itemChanged, this, [this] { KeepEmptyRowAtEnd(); });
    KeepEmptyRowAtEnd();
}

void TPlacePairsGrid::SetChoices(const TPlacePairs& choices) {
    FChoices = choices;
    SetPairs(Pairs());
}

void TPlacePairsGrid::SetHeaders(const QString& key, const QString& value) {
    setHorizontalHeaderLabels({key, value});
}

void TPlacePairsGrid::SetPairs(const TPlacePairs& pairs) {
    const QSignalBlocker block(this);
    setRowCount(0);
    for (const auto& [key, value] : pairs) AddRow(key, value);
    AddRow(QString(), QString());
}

TPlacePairs TPlacePairsGrid::Pairs() const {
    TPlacePairs pairs;
    for (int row = 0; row < rowCount(); ++row) {
        const auto* keys = qobject_cast<QComboBox*>(cellWidget(row, 0));
        const QTableWidgetItem* value = item(row, 1);
        if (!keys || !value || value->text().trimmed().isEmpty()) continue;
        const int index = keys->findText(keys->currentText());
        const QString key = index >= 0 && !keys->itemData(index).isNull()
                                ? keys->itemData(index).toString()
                                : keys->currentText().trimmed().toUpper();
        pairs.emplace_back(key, value->text().trimmed());
    }
    return pairs;
}

void TPlacePairsGrid::AddRow(const QString& key, const QString& value) {
    const int row = rowCount();
    insertRow(row);
    auto* keys = new QComboBox(this);
    keys->setObjectName(QStringLiteral("cbKey"));  // its items are data: kinds and languages
    keys->setEditable(FOtherKeys);
    for (const auto& [shown, choice] : FChoices) keys->addItem(shown, choice);
    int index = keys->findData(key);
    if (index < 0 && !key.isEmpty()) {  // a key the list lacks is still shown as it is
        keys->addItem(key, key);
        index = keys->count() - 1;
    }
    keys->setCurrentIndex(index < 0 ? 0 : index);
    setCellWidget(row, 0, keys);
    setItem(row, 1, new QTableWidgetItem(value));
}

void TPlacePairsGrid::KeepEmptyRowAtEnd() {
    const int last = rowCount() - 1;
    if (last >= 0 && (!item(last, 1) || item(last, 1)->text().isEmpty())) return;
    const QSignalBlocker block(this);
    AddRow(QString(), QString());
}
