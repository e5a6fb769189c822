// The search's tuning numbers, in one place: the values of wins and losses, the
// weights of the static evaluation, the classes and bonuses of moves, the
// extensions, reductions and pruning, and the thresholds of the move stages.
//
// Every one of them shapes the tree, so changing any changes the bench's node
// total (the search's signature, tools/bench_signature.txt) as well.
//
// Point scores: a side's point score (PointState::score) is the sum of codeScore over its
// four direction codes (board/pattern_tables.h): 7 a split two, 23 a dead
// three, 158 a split three, 256 a four. The score thresholds below read so.
#pragma once

namespace search {

// ---------------------------------------------------------------------------
// Values of wins and losses. A five in reach with d plies left is worth
// d + WinScore, so a nearer win is worth more; the threat search's wins carry
// their distance the same way.

constexpr int WinScore = 10000000;             // a five in reach at remaining depth 0
constexpr int MateThreshold = 9998848;         // values at or beyond this bound (either sign) are wins or losses
constexpr int RootValueCap = WinScore - 1;     // the root's values stay within depth + this, either sign
constexpr int NoMoveLoss = WinScore - 2;       // a node with no move to try (board not full) is worth -(this + d)
constexpr int FourThreeValue = WinScore - 6;   // the static value of a free-style four-three that no four answers
constexpr int RootWindow = 100000000;          // the root's window, wider than every value

// ---------------------------------------------------------------------------
// Static evaluation (evaluation.cpp): weights of the four and three points.
// Fitted by build/texel (Texel's method) to 2068 distinct self-play games of
// all three rules at 100 x 1024 nodes per move (71585 positions; mean squared
// error 0.1777 -> 0.1724 at k 0.776).

constexpr int ContributionScale = 35;      // x (own - other contribution total) / 32
constexpr int ThreatPointWeight = 13;      // x point weight x (k - c) / 32 per four or three point
constexpr int ForcedBlockWeight = 1;       // x point weight / 32 at the opponent's first five or open-four point
constexpr int OpponentThreatBonus = 133;   // when the opponent has any four or three point
constexpr int ForbiddenPointBonus = 402;   // a white threat point that black may not take
constexpr int ForbiddenThreeBonus = 389;   // the same where black would make a three or more there
constexpr int DirectionSpreadBonus = 217;  // five / open-four points in two or more directions
constexpr int ToMoveBonus = 25;            // the move in hand

// ---------------------------------------------------------------------------
// Move classes (classifyMove). A move's class C, 0 to MaxMoveClass, is the
// extension credit it earns in half plies. k counts the five and open-four
// points in the move's window after it, n its directions of a wide two or more.

constexpr int ClassifiedScore = 158;          // moves below this point score (no three) get class 0 and no bonus
constexpr int FourScore = 256;                // from this point score a move makes a four: the fours' ladder
constexpr int MaxMoveClass = 4;               // the highest class, and the most credit one move can earn
constexpr int ClassTwoLines = 2;              // a three reaches class 2 with n and k at least these
constexpr int ThreeClassTwoThreats = 5;       //   (k for class 2 of a three)
constexpr int ClassThreeLines = 3;            // n a move needs for classes 3 and 4 by its threats
constexpr int ThreeClassThreeThreats = 7;     // a three reaches class 3 with ClassThreeLines and this k,
constexpr int ThreeClassThreeAnyThreats = 9;  //   or with this k alone
constexpr int ThreeClassFourThreats = 11;     // a three reaches class 4 with ClassThreeLines and this k,
constexpr int ThreeClassFourAllThreats = 9;   //   or with all four lines and this k
constexpr int FourClassTwoScore = 262;        // a four whose point score reaches this (a wide two beside it) is class 2...
constexpr int FourClassThreats = 3;           //   ...as is one with this k; class 3 takes this k and FourClassThreeScore
constexpr int FourClassThreeScore = 279;      // the point score of a four with a dead three beside it
constexpr int FourClassFourAllThreats = 7;    // a four reaches class 4 with all four lines and this k,
constexpr int FourClassFourThreats = 9;       //   or with ClassThreeLines and this k

// Bonus of a move: a lone four or three is a weak move and pays a penalty,
// scaled by the edge and the room around it and by the node's bonus factor.
constexpr int LoneFourPenalty = -40;          // a four of class 1
constexpr int ClassTwoFourPenalty = -5;       // a four of class 2
constexpr int LoneThreePenalty = -10;         // a three of class 1
constexpr int ClassTwoThreePenalty = -2;      // a three of class 2
constexpr int EdgeWeightByDistance[6] = {40, 40, 32, 26, 20, 15};  // by distance to the nearest edge, 5 or more alike
constexpr int PenaltyEdgeScale = 40;          // the penalty is e x edge weight / this: whole on the edge lines
constexpr int RoomScaledEdgeWeight = 19;      // only above this edge weight do the room and the bonus factor scale it
constexpr int NarrowRoom = 18;                // point weight below this scales the penalty by NarrowRoomFactor
constexpr double NarrowRoomFactor = 1.1;      //   (and so on for the narrower rooms below)
constexpr int NarrowerRoom = 15;              // point weight below this: once more by NarrowerRoomFactor
constexpr double NarrowerRoomFactor = 1.1;    //   (on top of NarrowRoomFactor)
constexpr int NarrowestRoom = 12;             // point weight below this: once more by NarrowestRoomFactor
constexpr double NarrowestRoomFactor = 1.3;   //   (on top of the two above)
constexpr int WideRoom = 22;                  // point weight above this scales the penalty by WideRoomFactor
constexpr double WideRoomFactor = 0.9;        //   (a roomy point makes the weak move less weak)

// The bonus factor from the node's static value e: confident positions
// penalise weak moves less. The first step whose value e reaches gives it.
struct BonusFactorStep {
    int value;
    double factor;
};
constexpr BonusFactorStep BonusFactorLadder[] = {{600, 0.0},  {500, 0.1},  {400, 0.2},  {300, 0.4},  {200, 0.6},
                                                 {100, 0.8},  {-99, 1.0},  {-199, 1.1}, {-299, 1.3}, {-499, 1.6}};
constexpr double LowestBonusFactor = 1.8;     // below the last step of the ladder
constexpr int CrampedBonusValue = 200;        // below this e, a side with no more room than the other...
constexpr double CrampedBonusExtra = 0.1;     //   ...adds this to the factor

// ---------------------------------------------------------------------------
// Extensions: a move whose point score lies in this range and that leaves its
// side a winning chain of fours earns extension credit (half plies).

constexpr int ChainCheckMinScore = 8;         // the least point score checked (more than a split two)
constexpr int ChainCheckMaxScore = 157;       // the most (less than a three, which the classes cover)
constexpr int ChainStrongScore = 34;          // from this point score the move earns ChainStrongExtension
constexpr int ChainStrongExtension = 2;       // credit of a strong move with a winning chain
constexpr int ChainExtension = 1;             // credit of any other move with a winning chain
constexpr int MaxExtension = MaxMoveClass;    // the most credit a move can earn in all
constexpr int ChainCheckReach = 3;            // below the root, checked down to d = -(this x D / 2), outside null windows

// The horizon counts the credit only in whole steps of this many half plies.
constexpr int HorizonCreditStep = 4;

// ---------------------------------------------------------------------------
// Internal deepening: a node with no table move first searches itself
// shallower to find one.

constexpr int DeepeningDepth = 6;             // the least T (the root: depth) that deepens
constexpr int NullWindowDeepeningDepth = 8;   // the least T of a null-window node that deepens
constexpr int DeepeningBaseReduction = 2;     // plies every deepening search leaves out...
constexpr int DeepeningReduction = 1;         //   ...plus this many outside null windows,
constexpr int NullWindowDeepeningDivisor = 4;  //   ...or T / this many in a null window

// ---------------------------------------------------------------------------
// Parallel search: the nodes a thread marks as its own while it searches them,
// and the moves it puts off because another thread is in their node.

constexpr int BusyMarkDepth = 3;              // nodes of at least this T are marked
constexpr int MaxDeferredMoves = 32;          // moves one node puts off at most

// ---------------------------------------------------------------------------
// Late-move pruning: a move that failed low in a null-window node ends the node
// when its stage number and move number are both above one of the rules of the
// node's T. Stage numbers are the stages, but for the two below.

constexpr int ForcedStageNumber = 12;         // the forced block of a five
constexpr int EndingDefenceStageNumber = 13;  // an open-four defence that ends the node
constexpr int LateMoveMaxCaution = 1;         // only with caution_factor at most this
constexpr int LateMoveMinLevel = 3;           // only from this level down
constexpr int LateMoveMaxClass = 1;           // only after a move of at most this class (extension)
struct LateMoveRule {
    int stageAbove;
    int moveAbove;
};
constexpr int LateMoveDepths = 4;             // T 1 (or less) to this prune; deeper nodes never do
constexpr int LateMoveRulesPerDepth = 3;
constexpr int NoRule = 1000;                  // a rule that never holds
constexpr LateMoveRule LateMoveRules[LateMoveDepths][LateMoveRulesPerDepth] = {
    {{3, 9}, {4, 6}, {5, 5}},                 // T 1 or less
    {{3, 10}, {5, 7}, {NoRule, NoRule}},      // T 2
    {{4, 10}, {NoRule, NoRule}, {NoRule, NoRule}},  // T 3
    {{5, 11}, {NoRule, NoRule}, {NoRule, NoRule}},  // T 4
};

// ---------------------------------------------------------------------------
// Late-move reductions (lateMoveReduction): a late move that makes no three
// for the side to move, earns no extension credit and, in the quiet stage,
// stops no three of the other side either, is searched shallower first, and
// again at full depth only if it fails high there.

constexpr int ReductionMinDepth = 3;          // the least d that reduces
constexpr int ReductionFirstMove = 3;         // quiet moves from this place in their stage on (the killers come first)
constexpr int ReductionDeepMove = 10;         // quiet moves from this place, in nodes of ReductionDeepDepth or more,
constexpr int ReductionDeepDepth = 6;         //   are reduced two plies, all others one
constexpr int ReductionFirstBlock = 1;        // the other side's four and three points (stage 5) from this place on

// ---------------------------------------------------------------------------
// Quiet-move order: the ordering key is the point scores times this, less the
// bit width of the move's history credit, so that history decides between
// moves whose scores differ little.

constexpr int QuietScoreWeight = 4;

// ---------------------------------------------------------------------------
// The quiet stage (quiet_moves.cpp).

constexpr int NearStoneReach = 2;             // a point is near the stones within this many steps in both coordinates
constexpr int QuietLineReach = 4;             // no code above One beyond this many steps from every stone (pass 1's scan)
constexpr int QuietOwnScore = 7;              // a point matters to the side to move above this point score
constexpr int QuietOtherScore = 8;            // ...and to the other side above this one
constexpr int QuietCrossingLines = 2;         // pass 1 takes points with this many lines of a wide two for either side
constexpr int QuietNarrowLevel = 2;           // from this level a null-window node may stop after pass 1, any node after pass 2
constexpr int QuietNarrowMaxDepth = 4;        // a null-window node with earlier moves stops after pass 1 up to this T
constexpr int QuietWideCaution = 3;           // from this caution_factor no node stops after pass 1
constexpr int QuietEnoughMovesNullWindow = 10;  // pass 2 suffices once a null-window node has more moves than this
constexpr int QuietEnoughMoves = 18;          // ...and any node more than this
constexpr int RootFarMovesBelow = 19;         // with caution, the root takes points three steps off a stone below this many moves
constexpr int RootFarReach = 3;               // ...which lie this many steps away in both coordinates at most

// ---------------------------------------------------------------------------
// The root.

constexpr int PartialResultMoves = 2;         // a stopped iteration's result counts once this many moves were searched

// ---------------------------------------------------------------------------
// The threat search's attacker (vcfSearch): which fours it tries, in what order.

constexpr int VcfPlainFourScore = 262;        // a four below this point score is tried only where the defender...
constexpr int VcfCrossingLines = 2;           //   ...has this many lines of a wide two,
constexpr int VcfDefenderScore = 46;          //   ...or a point score of this much
constexpr int VcfLoneFourThreats = 2;         // a four with at most this many threats near is not tried...
constexpr int VcfLoneFourScore = 279;         //   ...unless its point score reaches this
constexpr int VcfThreatOrderWeight = 64;      // ordering weight of each threat near a four

}  // namespace search
