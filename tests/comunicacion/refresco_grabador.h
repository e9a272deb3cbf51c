// A recording stand-in of the panel's refresh routines for tests of code
// without Qt: each call is appended to a list, in order.
#pragma once

#include <string>
#include <vector>

std::vector<std::string>& refrescos_llamados();
