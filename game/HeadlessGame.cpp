#include "HeadlessGame.h"

namespace {
uint32_t Clamp(uint32_t v, uint32_t lo, uint32_t hi) { return v < lo ? lo : v > hi ? hi : v; }
}  // namespace

CHeadlessGame::CHeadlessGame(uint32_t width, uint32_t height, uint32_t mines, uint32_t seed, FirstClickRule rule)
    : FirstClick(rule),
      Columns(0),
      Rows(0),
      TotalMines(0),
      NextColumns(0),
      NextRows(0),
      NextMines(0),
      Random(seed),
      CurrentState(NotStarted),
      FirstClickSafe(true),
      FirstClickTarget(0),
      OpenCount(0),
      FlagCount(0),
      Exploded(0) {
    Configure(width, height, mines);
    NewGame();
}

CHeadlessGame::~CHeadlessGame() = default;

void CHeadlessGame::Configure(uint32_t width, uint32_t height, uint32_t mines) {
    NextColumns = Clamp(width, 1, CMineSweeperBoard::MaxSize);
    NextRows = Clamp(height, 1, CMineSweeperBoard::MaxSize);
    uint32_t squares = NextColumns * NextRows;
    NextMines = mines < squares ? mines : squares - 1;
}

bool CHeadlessGame::NewGame() {
    Columns = NextColumns;
    Rows = NextRows;
    TotalMines = NextMines;
    size_t n = static_cast<size_t>(Columns) * Rows;
    Mines.assign(n, 0);
    Opened.assign(n, 0);
    Flagged.assign(n, 0);
    CurrentState = NotStarted;
    FirstClickSafe = true;
    OpenCount = 0;
    FlagCount = 0;
    Exploded = 0;
    PlaceMines();
    FirstClickTarget = DrawFirstClickTarget(FirstClick, static_cast<uint32_t>(n) - TotalMines, Random);
    return true;
}

void CHeadlessGame::PlaceMines() {
    for (uint32_t placed = 0; placed < TotalMines;) {
        uint32_t x = static_cast<uint32_t>(Random.Next()) % Columns;
        uint32_t y = static_cast<uint32_t>(Random.Next()) % Rows;
        if (Mines[Cell(x, y)]) continue;
        Mines[Cell(x, y)] = 1;
        ++placed;
    }
}

bool CHeadlessGame::SetLayout(const std::vector<uint8_t>& mines) {
    if (mines.size() != Mines.size() || CurrentState != NotStarted) return false;
    TotalMines = 0;
    for (size_t i = 0; i < mines.size(); ++i) {
        Mines[i] = mines[i] ? 1 : 0;
        TotalMines += Mines[i];
    }
    FirstClickSafe = false;
    return true;
}

uint32_t CHeadlessGame::Neighbours(uint32_t x, uint32_t y) const {
    uint32_t count = 0;
    for (uint32_t nx = x > 0 ? x - 1 : 0; nx <= x + 1 && nx < Columns; ++nx)
        for (uint32_t ny = y > 0 ? y - 1 : 0; ny <= y + 1 && ny < Rows; ++ny)
            if ((nx != x || ny != y) && Mines[Cell(nx, ny)]) ++count;
    return count;
}

bool CHeadlessGame::OpenSquare(uint32_t x, uint32_t y) {
    if (x >= Columns || y >= Rows) return false;
    if (CurrentState == Won || CurrentState == Lost) return true;
    size_t c = Cell(x, y);
    if (Opened[c] || Flagged[c]) return true;
    if (CurrentState == NotStarted) {
        if (FirstClickSafe)
            MoveFirstClickMine(
                FirstClickTarget, Columns, Rows, x, y, [this](uint32_t fx, uint32_t fy) { return Mines[Cell(fx, fy)] != 0; },
                [this](uint32_t fx, uint32_t fy, bool mine) { Mines[Cell(fx, fy)] = mine ? 1 : 0; });
        CurrentState = Playing;
    }
    if (Mines[c]) {
        Lose(x, y);
        return true;
    }
    Cascade(x, y);
    if (OpenCount == static_cast<uint32_t>(Mines.size()) - TotalMines) {
        // The won game shows every mine flagged and the counter at 0.
        CurrentState = Won;
        for (size_t i = 0; i < Mines.size(); ++i) Flagged[i] = Mines[i];
        FlagCount = TotalMines;
    }
    return true;
}

void CHeadlessGame::Cascade(uint32_t x, uint32_t y) {
    std::vector<size_t> pending{Cell(x, y)};
    Opened[Cell(x, y)] = 1;
    ++OpenCount;
    while (!pending.empty()) {
        size_t c = pending.back();
        pending.pop_back();
        uint32_t cx = static_cast<uint32_t>(c / Rows), cy = static_cast<uint32_t>(c % Rows);
        if (Neighbours(cx, cy) != 0) continue;
        for (uint32_t nx = cx > 0 ? cx - 1 : 0; nx <= cx + 1 && nx < Columns; ++nx)
            for (uint32_t ny = cy > 0 ? cy - 1 : 0; ny <= cy + 1 && ny < Rows; ++ny) {
                size_t n = Cell(nx, ny);
                if (Opened[n] || Flagged[n] || Mines[n]) continue;
                Opened[n] = 1;
                ++OpenCount;
                pending.push_back(n);
            }
    }
}

void CHeadlessGame::Lose(uint32_t x, uint32_t y) {
    CurrentState = Lost;
    Exploded = Cell(x, y);
}

bool CHeadlessGame::FlagSquare(uint32_t x, uint32_t y) {
    if (x >= Columns || y >= Rows) return false;
    size_t c = Cell(x, y);
    if (CurrentState == Won || CurrentState == Lost || Opened[c] || Flagged[c]) return true;
    Flagged[c] = 1;
    ++FlagCount;
    return true;
}

bool CHeadlessGame::UnflagSquare(uint32_t x, uint32_t y) {
    if (x >= Columns || y >= Rows) return false;
    size_t c = Cell(x, y);
    if (CurrentState == Won || CurrentState == Lost || !Flagged[c]) return true;
    Flagged[c] = 0;
    --FlagCount;
    return true;
}

bool CHeadlessGame::MoveCursorToSquare(uint32_t x, uint32_t y) { return x < Columns && y < Rows; }

bool CHeadlessGame::ReadBoard(CMineSweeperBoard** board) {
    if (!board) return false;
    Width = Columns;
    Height = Rows;
    if (!*board) *board = new CMineSweeperBoard(Columns, Rows);
    CMineSweeperBoard* b = *board;
    if (b->Width != Columns || b->Height != Rows) return false;
    bool lost = CurrentState == Lost;
    for (uint32_t x = 0; x < Columns; ++x) {
        SMineSweeperSquare* column = b->GetColumn(x);
        for (uint32_t y = 0; y < Rows; ++y) {
            size_t c = Cell(x, y);
            SMineSweeperSquare& s = column[y];
            s = SMineSweeperSquare{0, 0, -1, None};
            if (Opened[c]) {
                s.Opened = 1;
                s.Number = static_cast<int32_t>(Neighbours(x, y));
            } else if (lost && c == Exploded) {
                s = SMineSweeperSquare{1, 1, -1, ExplodedMine};
            } else if (lost && Mines[c] && !Flagged[c]) {
                s = SMineSweeperSquare{1, 1, -1, RevealedMine};
            } else if (lost && Flagged[c] && !Mines[c]) {
                s = SMineSweeperSquare{1, 0, -1, WrongFlag};
            } else if (Flagged[c]) {
                s.Mine = 1;
                s.Mark = SquareMark::Flag;
            }
        }
    }
    b->State = CurrentState;
    b->MinesLeft = static_cast<int32_t>(TotalMines) - static_cast<int32_t>(FlagCount);
    return true;
}

std::string BoardToText(const CMineSweeperBoard& board) {
    std::string text;
    for (uint32_t y = 0; y < board.Height; ++y) {
        for (uint32_t x = 0; x < board.Width; ++x) {
            const SMineSweeperSquare& s = board.GetColumn(x)[y];
            char ch = '.';
            switch (s.Mark) {
                case SquareMark::Flag: ch = 'F'; break;
                case SquareMark::Question: ch = '?'; break;
                case SquareMark::RevealedMine: ch = '*'; break;
                case SquareMark::ExplodedMine: ch = 'X'; break;
                case SquareMark::WrongFlag: ch = 'W'; break;
                default:
                    if (s.Opened) ch = s.Number >= 0 && s.Number <= 8 ? static_cast<char>('0' + s.Number) : 'o';
                    else if (s.Mine) ch = 'F';
                    break;
            }
            text += ch;
        }
        text += '\n';
    }
    return text;
}

CMineSweeperBoard* BoardFromText(const std::string& text) {
    std::vector<std::string> rows;
    std::string row;
    for (char ch : text) {
        if (ch == '\r') continue;
        if (ch == '\n') {
            if (!row.empty()) rows.push_back(row);
            row.clear();
        } else if (ch != ' ') {
            row += ch;
        }
    }
    if (!row.empty()) rows.push_back(row);
    if (rows.empty() || rows.size() > CMineSweeperBoard::MaxSize || rows[0].size() > CMineSweeperBoard::MaxSize)
        return nullptr;
    for (const std::string& r : rows)
        if (r.size() != rows[0].size()) return nullptr;
    uint32_t width = static_cast<uint32_t>(rows[0].size()), height = static_cast<uint32_t>(rows.size());
    CMineSweeperBoard* board = new CMineSweeperBoard(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            SMineSweeperSquare& s = board->GetColumn(x)[y];
            char ch = rows[y][x];
            s = SMineSweeperSquare{0, 0, -1, None};
            if (ch >= '0' && ch <= '8') s = SMineSweeperSquare{1, 0, ch - '0', None};
            else if (ch == 'o') s.Opened = 1;
            else if (ch == 'F') s = SMineSweeperSquare{0, 1, -1, SquareMark::Flag};
            else if (ch == '?') s.Mark = Question;
            else if (ch == '*') s = SMineSweeperSquare{1, 1, -1, RevealedMine};
            else if (ch == 'X') s = SMineSweeperSquare{1, 1, -1, ExplodedMine};
            else if (ch == 'W') s = SMineSweeperSquare{1, 0, -1, WrongFlag};
        }
    board->State = Playing;
    return board;
}
