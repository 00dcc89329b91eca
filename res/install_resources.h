// Installs the resources this executable carries (dialog template 102, icon 128) as the
// platform's resource module. Call once at start-up, before the dialog is built.
#pragma once

namespace res {

void InstallResources();

}  // namespace res
