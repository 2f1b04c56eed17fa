// What every reload costs under Wine with nothing of the module in it: a DLL with the same
// static C++ runtime, a static that is made on load and destroyed on unload, one export.
#include <string>

namespace {

const std::string answer(42, '*');

}  // namespace

extern "C" int SoakTrivialValue() { return static_cast<int>(answer.size()); }
