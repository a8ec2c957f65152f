#pragma once

#include "LayerLifetimeCommand.h"

// Undoes the user's deletion of a layer: undo brings it back as it was, redo deletes it again.
class DeleteLayerCommand : public LayerLifetimeCommand
{
public:
    using LayerLifetimeCommand::LayerLifetimeCommand;

protected:
    bool apply(bool undo) override { return undo ? bringBack() : takeAway(); }
};
