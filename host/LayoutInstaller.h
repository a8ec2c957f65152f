#pragma once

#include <QString>

#include <functional>

// previewhost --layout: puts a copy of a stored layer layout in place of the engine's settings
// file before init. The file given is never modified; a different settings file already there is
// kept first as "<file>.<yyyyMMdd-HHmmss>.bak"; a settings file that is a symbolic link is written
// through, so the link survives.
class LayoutInstaller
{
public:
    using Report = std::function<void(const QString &line)>;

    // False, with the reason in *error, when nothing was replaced. What it did goes to report.
    static bool install(const QString &layoutFile, QString *error, const Report &report = {});
};
