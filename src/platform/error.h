#pragma once
// The error type of the engine. Messages name the component and the condition, and the file
// where there is one ("BMP: pixel data offset beyond end of file (a.bmp)").

#include <stdexcept>
#include <string>

namespace kalidor {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace kalidor
