#pragma once

#include "LayerLifetimeCommand.h"

// Undoes adding a layer (the confirmed editor of a new text, picture or camera): undo takes it
// away, redo brings it back as it was confirmed.
class AddLayerCommand : public LayerLifetimeCommand
{
public:
    using LayerLifetimeCommand::LayerLifetimeCommand;

protected:
    bool apply(bool undo) override { return undo ? takeAway() : bringBack(); }
};
