#pragma once

namespace tavrimo {

// Heights and estimates are single precision; the arithmetic between them is
// done in double precision and rounded back (see estimate.cpp).
using Measure = float;

}  // namespace tavrimo
