#pragma once

#include "CXmlDocument.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// A stored layout read back the way the engine reads it: the layers in file order, each as the
// texts of its elements by name. complete is false for bytes the engine could not use as a
// whole (unparsable, a layer element missing, more layer elements than layersnum says).
struct StoredLayout
{
    bool complete = false;
    QList<QMap<QString, QString>> layers;

    // The index of the layer whose name is name; -1 when there is none.
    int indexOf(const QString &name) const
    {
        for (int i = 0; i < layers.size(); ++i) {
            if (layers.at(i).value(QStringLiteral("name")) == name)
                return i;
        }
        return -1;
    }
    QString value(const QString &layerName, const QString &key) const
    {
        return layers.value(indexOf(layerName)).value(key);
    }

    static StoredLayout read(const QByteArray &bytes)
    {
        StoredLayout layout;
        CXmlDocument document;
        if (!document.loadBuffer(bytes))
            return layout;
        const pugi::xml_node layers = document.document().child("config").child("layers");
        bool ok = false;
        const int count = QString::fromUtf8(layers.child_value("layersnum")).toInt(&ok);
        if (!ok || count < 0)
            return layout;
        const auto element = [&](int i) {
            return layers.child(QByteArray("layer" + QByteArray::number(i)).constData());
        };
        for (int i = 0; i < count; ++i) {
            if (!element(i))
                return layout;
            QMap<QString, QString> values;
            for (const pugi::xml_node value : element(i).children())
                values.insert(QString::fromUtf8(value.name()),
                              QString::fromUtf8(value.child_value()));
            layout.layers.append(values);
        }
        layout.complete = !element(count);
        return layout;
    }
};
