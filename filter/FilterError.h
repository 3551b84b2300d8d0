#pragma once
// Every failure of the spam filter's store, with the text the window shows in a box.
#include "platform/Exception.h"

class EFilterError : public Exception {
public:
    using Exception::Exception;
};
