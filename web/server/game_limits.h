// The ranges the server accepts from a page, checked before anything reaches
// the engine. Boards are square: the engine takes sides of 1 to 24, and a
// board below 5 could hold no five, so the page offers 5 to 24.
#pragma once

namespace web {

constexpr int MinBoardSize = 5;
constexpr int MaxBoardSize = 24;

// The engine's INFO rule values: 0 free-style, 1 standard (exactly five), 2 Renju.
enum class Rule { FreeStyle = 0, Standard = 1, Renju = 2 };

// Time per engine move, in milliseconds.
constexpr int MinMoveTimeMs = 100;
constexpr int MaxMoveTimeMs = 600000;

// Lines of the analysis: 1 is the engine's own search with its live line,
// more are ranked by ovnbest.
constexpr int MaxAnalysisLines = 10;

// The page's request tags, echoed in sync events.
constexpr int MaxTag = 1000000000;

}  // namespace web
