#include "platform/ports/board.h"

#include <utility>

namespace platform {

namespace {

Board& InstalledBoard() {
  static Board board;
  return board;
}

}  // namespace

void InstallBoard(Board board) { InstalledBoard() = std::move(board); }

const Board& CurrentBoard() { return InstalledBoard(); }

}  // namespace platform
