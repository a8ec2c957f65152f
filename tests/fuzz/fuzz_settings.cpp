// Arbitrary bytes as a stored settings file: parsing, key reads, the element index, the
// local part of the stored-text check, and writing a value back.

#include "CXmlDocument.h"
#include "CXmlNodeData.h"
#include "LayerConfigKeys.h"
#include "PreviewConfigCheck.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "StoredValue.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void walk(CXmlNodeData *node, int depth)
{
    if (!node || depth > 8)
        return;
    (void)node->name();
    (void)node->text();
    (void)node->attributeValue(QStringLiteral("colors"));
    for (int i = 0; i < node->attributeCount() && i < 16; ++i)
        (void)node->attributeName(i);
    for (int i = 0; i < node->elementCount() && i < 16; ++i)
        walk(node->elementAt(i), depth + 1);
    (void)node->elementAt(-1);
    (void)node->elementAt(node->elementCount());
}

void readKeys(const SettingsHandle &handle)
{
    using namespace LayerConfigKeys;
    (void)StoredValue::toUInt(handle.value(layersNum()));
    for (uint i = 0; i < 4; ++i) {
        const QString prefix = layerPrefix(i);
        (void)StoredValue::toPoint(handle.value(layerKey(prefix, "pos")));
        (void)StoredValue::toSize(handle.value(layerKey(prefix, "size")));
        (void)StoredValue::toColor(handle.value(layerKey(prefix, "fontcolor")));
        (void)StoredValue::toText(handle.value(layerKey(prefix, "text")));
        (void)handle.value(layerKey(prefix, "name") + QStringLiteral(":x"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > static_cast<std::size_t>(CXmlDocument::MaxFileSize))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    SettingsImpl impl{QString()};
    if (impl.document().loadBuffer(bytes))
        walk(impl.document().rootElement(), 0);
    SettingsHandle handle(&impl);
    readKeys(handle);
    QString text;
    const bool picturesFromDisk = size > 0 && (data[0] & 1);
    const auto result = PreviewConfigCheck::checkStoredLayers(handle, picturesFromDisk, &text);
    if (result == PreviewConfigCheck::CHECK_PENDING &&
        text.size() > PreviewConfigCheck::MaxTextLength)
        __builtin_trap(); // the local check let an over-long text through

    // Writing into whatever was loaded, then reading the file form back.
    handle.setValue(QStringLiteral("config/layers/layersnum"), text.left(8), false);
    const QByteArray saved = impl.document().toBytes();
    CXmlDocument reread;
    if (!impl.document().isEmpty() && !reread.loadBuffer(saved))
        __builtin_trap(); // the store wrote something it cannot read

    CXmlDocument asUtf8;
    asUtf8.loadUtf8(bytes.constData(), static_cast<int>(bytes.size()));
    (void)asUtf8.getValue(QStringLiteral("config/layers/layer0/type"));
    return 0;
}
