// Shared pieces of the solver tests: a game face that queues every move so
// that the requests can be read back, and boards written as text.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessGame.h"
#include "Logicsolve.h"

// Queues every request (threshold above 1), so Actions holds them all.
class CRecordingFace : public CMineSweeperInterface {
public:
    CRecordingFace(uint32_t width, uint32_t height, double threshold = 2.0) {
        Width = width;
        Height = height;
        QueueThreshold = threshold;
    }
    bool ReadBoard(CMineSweeperBoard**) override { return false; }
    bool NewGame() override { return true; }
    bool OpenSquare(uint32_t x, uint32_t y) override { return Performed.push_back({x, y, Open, 1.0}), true; }
    bool FlagSquare(uint32_t x, uint32_t y) override { return Performed.push_back({x, y, Flag, 1.0}), true; }
    bool UnflagSquare(uint32_t, uint32_t) override { return true; }
    bool MoveCursorToSquare(uint32_t, uint32_t) override { return true; }

    std::vector<SMineSweeperAction> Queued() const {
        std::vector<SMineSweeperAction> out;
        for (uint32_t i = 0; i < Actions->Count; ++i) out.push_back(*Actions->Items[i]);
        return out;
    }
    std::vector<SMineSweeperAction> Performed;
};

// Every queued request as "O x,y certainty;" or "F x,y certainty;", in order.
inline std::string Requests(const CRecordingFace& face) {
    std::string out;
    for (const auto& a : face.Queued()) {
        char text[64];
        std::snprintf(text, sizeof text, "%c %u,%u %g;", a.Type == CMineSweeperInterface::Flag ? 'F' : 'O', a.X, a.Y,
                      a.Probability);
        out += text;
    }
    return out;
}

inline std::unique_ptr<CMineSweeperBoard> Board(const std::string& text, int32_t minesLeft, int32_t state = Playing) {
    std::unique_ptr<CMineSweeperBoard> b(BoardFromText(text));
    if (b) {
        b->MinesLeft = minesLeft;
        b->State = state;
    }
    return b;
}
