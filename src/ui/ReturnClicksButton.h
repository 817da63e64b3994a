#pragma once

class QAbstractButton;

namespace pelko {

// Makes Return and Enter click `button` as Space does. A push button outside a dialog leaves those keys
// to its window, where a control of ours reached by Tab is expected to take them.
void clickOnReturn(QAbstractButton& button);

}  // namespace pelko
