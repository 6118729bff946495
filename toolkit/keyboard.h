// The keyboard's reach of a window: the order in which Tab visits its controls, the page
// control that Ctrl+Tab turns, and the controls that a caption's "&" letter activates.
#pragma once

#include <string>
#include <vector>

namespace toolkit {

class Control;
class PageControl;

// The controls under `root` that can take the focus now, in tab order: siblings by their tab
// order (those without one last), a container's controls at its own place, a page control
// before the controls of its active page.
std::vector<Control*> TabStops(Control& root);
// The stop after (or before) `from`, wrapping around; the first (or last) one when `from`
// is none. Null when nothing can take the focus.
Control* NextTabStop(Control& root, const Control* from, bool backward);

// The page control holding `control`, else the first one of its window; null if none.
PageControl* PageControlOf(Control& control);

// The letter after a single "&" of a caption, in lower case ("&&" shows one "&"); 0 if none.
char MnemonicOf(const std::string& caption);
// The first captioned control whose mnemonic is `letter` and that takes input now (a page
// whose tab shows counts, also when another page is active); null if none.
Control* MnemonicTarget(Control& root, char letter);

}  // namespace toolkit
