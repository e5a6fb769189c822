#include "protocol/command_loop.h"

int main() { protocol::runCommandLoop(); }
