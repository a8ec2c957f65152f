#pragma once

#include <QString>

class ILayerConfigWriter;
class LayerState;
class SettingsHandle;

// The one place that turns a layer's state into its stored entries and back. A layer's entries
// sit under its prefix ("config/layers/layer<i>"): first those of its kind, then "pos", "size",
// "combine" and "name". Numbers, pairs, colours and texts use StoredValue's forms.
namespace LayerConfig {

// Writes state under "<prefix>/..."; false, writing nothing, when its type is no layer.
bool write(const LayerState &state, const QString &prefix, ILayerConfigWriter *store);
// The layer stored under prefix. Missing or broken values read as zero, empty or false; the
// type is LT_NONE when the stored one is no layer. The camera's flag is never stored.
LayerState read(const SettingsHandle &handle, const QString &prefix);

} // namespace LayerConfig
