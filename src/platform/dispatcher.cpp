#include "platform/dispatcher.h"

namespace kalidor {

Dispatcher& directDispatcher() {
    static DirectDispatcher dispatcher;
    return dispatcher;
}

}  // namespace kalidor
