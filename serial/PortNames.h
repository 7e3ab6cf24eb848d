#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace carecfg {

// Port names as the user types them, mapped to device paths (leading and trailing blanks are
// ignored):
//   - a name containing '/' is a device path and is used as it is ("/dev/pts/3", "./ttyLink");
//   - a leading "\\.\" (the Windows device prefix) is dropped;
//   - "COMn" (any case, n = 1, 2, ...) is the n-th USB serial adapter: /dev/ttyUSB(n-1) if it
//     exists, else /dev/ttyACM(n-1) if it exists, else the n-th built-in port /dev/ttyS(n-1);
//   - any other name is looked up under /dev ("ttyAMA0" -> "/dev/ttyAMA0").
std::string ResolvePortName(std::string_view name);
// The same with the existence test supplied (for tests and for other device trees).
std::string ResolvePortName(std::string_view name,
                            const std::function<bool(const std::string& path)>& exists);

// "DEMO" (any case, blanks around ignored) names the built-in simulated unit instead of a port.
bool IsDemoPortName(std::string_view name);

}  // namespace carecfg
