#pragma once

class Form1;

namespace Main {

// Applies the optional skin, the style sheet "/x/o.cjs" beside the program,
// to the database selection window: without the file nothing changes; with
// it the window, its frame and labels are painted button face and the skin
// is loaded and applied. A skin that cannot be loaded is thrown, after the
// repaint.
void ApplySkin(Form1& form1);

}  // namespace Main
