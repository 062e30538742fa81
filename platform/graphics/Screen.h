// What drawing needs to know of the device it runs on: the largest scale among its screens (pixels
// per point; the hosts set it) and the folder that named images are read from.
#pragma once

#include <string>

namespace gfx {

// 1.0 until a host or a test sets it.
double largestScreenScale();
// A value that is not finite or not positive is ignored.
void setLargestScreenScale(double scale);

// "resources" until a host or a test sets it.
std::string resourcesFolder();
void setResourcesFolder(std::string folder);

} // namespace gfx
