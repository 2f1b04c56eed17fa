// What the UI seam's statuses mean, in the words every host shows a person.
#pragma once

#include <qm7140/ui.h>

#include <string>

namespace host {

// "the dialog is closed"; a status this header does not know is given by its number.
std::string SeamStatusText(QM7140UiStatus status);

}  // namespace host
