#pragma once
// A text box that takes no typing looks it: while it is read-only its background is the
// window's, as on a label, so typing into it is not expected. It follows every change of the
// box's read-only flag (the captions are read-only while pictures are being added).

class QLineEdit;

namespace kalidor {

void LookReadOnlyWhenSo(QLineEdit* edit);

}  // namespace kalidor
