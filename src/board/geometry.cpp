#include "board/geometry.h"

namespace board {

Geometry geometry;

}  // namespace board
