#include "search/move_sort.h"

namespace search {

namespace {

void insertionSort(MoveEntry* moves, int count) {
    for (int i = 1; i < count; ++i) {
        MoveEntry entry = moves[i];
        int j = i - 1;
        while (j >= 0 && moves[j].key > entry.key) {
            moves[j + 1] = moves[j];
            --j;
        }
        moves[j + 1] = entry;
    }
}

}  // namespace

void sortMoves(MoveEntry* moves, int count, MoveEntry* scratch) {
    constexpr int Run = 16;
    if (count <= Run) {
        insertionSort(moves, count);
        return;
    }
    for (int start = 0; start < count; start += Run)
        insertionSort(moves + start, count - start < Run ? count - start : Run);
    // Bottom-up merges of sorted runs, ping-ponging through the scratch buffer.
    MoveEntry* from = moves;
    MoveEntry* to = scratch;
    for (int width = Run; width < count; width *= 2) {
        for (int left = 0; left < count; left += 2 * width) {
            int mid = left + width < count ? left + width : count;
            int right = left + 2 * width < count ? left + 2 * width : count;
            int i = left, j = mid, k = left;
            while (i < mid && j < right) to[k++] = from[j].key < from[i].key ? from[j++] : from[i++];
            while (i < mid) to[k++] = from[i++];
            while (j < right) to[k++] = from[j++];
        }
        MoveEntry* t = from;
        from = to;
        to = t;
    }
    if (from != moves)
        for (int i = 0; i < count; ++i) moves[i] = from[i];
}

}  // namespace search
