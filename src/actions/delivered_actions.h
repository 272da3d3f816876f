#pragma once
// The actions the program delivers in its catalogue (data/config/actionList.dat, written by
// make-ui-data), with the words their description images carry: drawn on the images by
// make-ui-data, and read to screen readers by the window, which shows the images.

#include "model/action_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

struct DeliveredAction {
    bool picture = true;
    std::uint8_t value = 0;
    std::string identifier;   // the enumeration member; also the icon's base name
    const char* name;         // shown in the action list; marked in the context "Actions"
    const char* explanation;  // one line on the description image; marked likewise
};

// Every picture action, then every text action, in the order the user sees them.
const std::vector<DeliveredAction>& DeliveredActions();

// The explanation line of the delivered action of this kind, value and name (as actionList.dat
// names it); nullptr for an action the user wrote or renamed, whose image may say anything.
const char* DeliveredExplanation(bool picture, std::uint8_t value, const std::string& name);

}  // namespace kalidor
