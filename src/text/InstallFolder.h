#pragma once
// The folder of the installation data (templates, WebHelp resources, context.dat, ...).
#include <QString>

namespace tavrel {

// The data folder with a trailing "/": the environment variable TAVREL_DATA when it is set,
// else "<folder of the executable>/data", else "<folder of the executable>/../share/tavrel"
// when that exists. When neither exists the first of the two is returned, so callers report
// the missing file by its expected place.
QString GetInstallFolder();

// GetInstallFolder() + relative ("templates/fixedtop/fixedtop.htm").
QString InstallPath(const QString &relative);

} // namespace tavrel
