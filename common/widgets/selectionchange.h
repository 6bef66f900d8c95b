#pragma once

#include <functional>

class QComboBox;

namespace common {

// Runs handler when the user picks an item other than the one the box shows. Qt's `activated`
// comes for a re-pick of the shown item too, and a change made by the program raises nothing.
// The watcher belongs to the box and ends with it.
void on_selection_changed(QComboBox* box, std::function<void()> handler);

} // namespace common
