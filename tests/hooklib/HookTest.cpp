// The hook library under Wine: receiver windows in this process, target
// windows in separate processes, real input from xdotool on the virtual
// display and input generated inside Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "HookTargetProtocol.h"
#include "WinTestSupport.h"

namespace {

// One kind of hook of the library: its exports, bound by name.
struct SHooks {
    const char* Name;    // as the target program knows it
    const char* Export;  // in the names of the exports
    hooktarget::TInstallHook Install;
    hooktarget::TUninstallHook Uninstall;
    hooktarget::THookProc Proc;
};

const UINT kKeyPressed = 0x8100;
const UINT kKeyReleased = 0x8101;
const UINT kMouseMoved = WM_MOUSEMOVE + 0x8000;
const UINT kLeftPressed = WM_LBUTTONDOWN + 0x8000;
const UINT kLeftReleased = WM_LBUTTONUP + 0x8000;
const DWORD kWaitMs = 10000;  // only to end a hang; input normally arrives at once
// Only to end a hang too: a Wine process of its own can take over 10 s to
// start on a loaded machine.
const DWORD kStartWaitMs = 3 * kWaitMs;

// One message a receiver window got from the hooks.
struct SReport {
    HWND Receiver;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    bool Sent;  // sent from another thread rather than posted
};

std::vector<SReport> Reports;
LRESULT ControlAnswer = 0;  // what receivers answer to the mouse-control query

LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= 0x8100 && msg < 0x8300) {
        Reports.push_back({hwnd, msg, wParam, lParam, InSendMessage() != FALSE});
        return ControlAnswer;  // only the mouse-control hook's query waits for it
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeReceiver() { return wintest::MessageWindow("KorvaneHookReceiver", ReceiverProc); }

// Reports received so far that match, optionally for one receiver only.
std::vector<SReport> ReportsOf(UINT msg, HWND receiver = nullptr) {
    std::vector<SReport> found;
    for (const SReport& r : Reports)
        if (r.Message == msg && (!receiver || r.Receiver == receiver)) found.push_back(r);
    return found;
}

using wintest::Pump;

// Pumps until pred holds; false when it still fails after kWaitMs.
bool PumpUntil(const std::function<bool()>& pred) { return wintest::WaitFor(pred, kWaitMs); }

// Pumped while it runs: a mouse-control hook may be asking our receivers.
bool Xdotool(const std::string& args) { return wintest::Xdotool(args, kWaitMs); }

// A target window in its own process.
struct STarget {
    wintest::SChild Child;
    HWND Window = nullptr;
    DWORD Thread = 0;
    RECT Rect{};
    POINT Inside() const { return {(Rect.left + Rect.right) / 2, (Rect.top + Rect.bottom) / 2}; }
};

LRESULT Ask(const STarget& target, UINT msg, WPARAM wParam = 0) {
    DWORD_PTR answer = 0;
    // Sending waits in an alertable way: queries from hooks in the target to
    // our receivers are answered meanwhile.
    if (!SendMessageTimeoutA(target.Window, msg, wParam, 0, SMTO_NORMAL, kWaitMs, &answer)) return -1;
    return static_cast<LRESULT>(answer);
}

LRESULT CountOf(const STarget& target, UINT msg) { return Ask(target, hooktarget::kQueryCount, msg); }

bool WaitCount(const STarget& target, UINT msg, LRESULT atLeast) {
    return PumpUntil([&] { return CountOf(target, msg) >= atLeast; });
}

class HookTest : public ::testing::Test {
protected:
    static HMODULE Library;
    static SHooks Keyboard, Mouse, MouseCtrl;
    static SHooks* const Kinds[3];
    static STarget A, B;
    static std::string DllPath;

    template <typename T>
    static void Bind(T* proc, const std::string& name) {
        *proc = reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(Library, name.c_str())));
    }

    static bool StartTarget(const char* title, int x, int y, STarget* target) {
        const std::string cmd = "\"" + wintest::ProgramDir() + "hook_target.exe\" window \"" + title + "\" " +
                                std::to_string(x) + " " + std::to_string(y) + " 300 200";
        if (!wintest::StartProcess(cmd, &target->Child)) return false;
        // A first Wine start in a fresh prefix can be slow on a busy machine.
        target->Window = wintest::WaitForWindow(hooktarget::kClass, title, kStartWaitMs);
        if (!target->Window) return false;
        target->Thread = GetWindowThreadProcessId(target->Window, nullptr);
        GetWindowRect(target->Window, &target->Rect);
        return true;
    }

    static void SetUpTestSuite() {
        DllPath = wintest::ProgramDir() + "..\\..\\bin\\brenmoth.dll";
        Library = LoadLibraryA(DllPath.c_str());
        if (!Library) return;
        for (SHooks* k : Kinds) {
            Bind(&k->Install, std::string("Install") + k->Export + "Hook");
            Bind(&k->Uninstall, std::string("Uninstall") + k->Export + "Hook");
            Bind(&k->Proc, std::string(k->Export) + "HookProc");
        }
        StartTarget("Hook target A", 150, 100, &A);
        StartTarget("Hook target B", 550, 100, &B);
    }

    static void TearDownTestSuite() {
        for (STarget* t : {&A, &B}) {
            if (t->Window) PostMessageA(t->Window, WM_CLOSE, 0, 0);
            if (t->Child.Process) wintest::WaitProcess(&t->Child, 5000);
        }
        if (Library) FreeLibrary(Library);
    }

    void SetUp() override {
        ASSERT_NE(Library, nullptr) << "brenmoth.dll not loaded from " << DllPath;
        for (const SHooks* k : Kinds) ASSERT_TRUE(k->Install && k->Uninstall && k->Proc) << k->Name;
        ASSERT_TRUE(A.Window && B.Window) << "target windows not shown";
        Receiver = MakeReceiver();
        ASSERT_NE(Receiver, nullptr);
        Reports.clear();
        ControlAnswer = 0;
    }

    void TearDown() override {
        for (const SHooks* k : Kinds) k->Uninstall();
        Pump();
        DestroyWindow(Receiver);
    }

    // Moves the pointer to p inside a target and waits until the target has
    // seen it there.
    static bool MoveInto(const STarget& target, POINT p) {
        // A move to where the pointer already is makes no event, and the
        // target may already have seen p: step aside first, in two stages.
        return MoveTo(target, {p.x + 2, p.y + 2}) && MoveTo(target, p);
    }

    static bool MoveTo(const STarget& target, POINT p) {
        if (!Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y))) return Failed("xdotool mousemove");
        const LRESULT at = static_cast<LRESULT>(static_cast<uint32_t>(p.x) | (static_cast<uint32_t>(p.y) << 16));
        return PumpUntil([&] { return Ask(target, hooktarget::kQueryLastMove) == at; }) || Failed("move not seen");
    }

    // A left click into a target; waits for the press (the release may be withheld).
    static bool ClickInto(const STarget& target) {
        if (!MoveInto(target, target.Inside())) return false;
        const LRESULT downs = CountOf(target, WM_LBUTTONDOWN);
        if (!Xdotool("click 1")) return Failed("xdotool click");
        return WaitCount(target, WM_LBUTTONDOWN, downs + 1) || Failed("press not seen");
    }

    // Types one key into a target; waits until the target has its release.
    static bool TypeInto(const STarget& target, const char* key) {
        if (!ClickInto(target)) return false;
        if (Ask(target, hooktarget::kTakeFocus) != 1) return Failed("focus not taken");
        const LRESULT ups = CountOf(target, WM_KEYUP);
        if (!Xdotool(std::string("key ") + key)) return Failed("xdotool key");
        return WaitCount(target, WM_KEYUP, ups + 1) || Failed("key release not seen");
    }

    static bool Failed(const char* what) {
        ADD_FAILURE() << what;
        return false;
    }

    HWND Receiver = nullptr;
};

HMODULE HookTest::Library = nullptr;
SHooks HookTest::Keyboard{"keyboard", "Keyboard", nullptr, nullptr, nullptr};
SHooks HookTest::Mouse{"mouse", "Mouse", nullptr, nullptr, nullptr};
SHooks HookTest::MouseCtrl{"mousectrl", "MouseCtrl", nullptr, nullptr, nullptr};
SHooks* const HookTest::Kinds[3] = {&HookTest::Keyboard, &HookTest::Mouse, &HookTest::MouseCtrl};
STarget HookTest::A, HookTest::B;
std::string HookTest::DllPath;

// Ordinals 1 to 9: each kind's procedure, install and uninstall in turn.
TEST_F(HookTest, ExportsByNameAndOrdinalAgree) {
    auto byOrdinal = [](int i) { return reinterpret_cast<void (*)()>(GetProcAddress(Library, MAKEINTRESOURCEA(i))); };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(Kinds[i]->Name);
        EXPECT_EQ(reinterpret_cast<void (*)()>(Kinds[i]->Proc), byOrdinal(3 * i + 1));
        EXPECT_EQ(reinterpret_cast<void (*)()>(Kinds[i]->Install), byOrdinal(3 * i + 2));
        EXPECT_EQ(reinterpret_cast<void (*)()>(Kinds[i]->Uninstall), byOrdinal(3 * i + 3));
    }
}

TEST_F(HookTest, InstallOnceUninstallOnce) {
    for (const SHooks* k : Kinds) {
        SCOPED_TRACE(k->Name);
        EXPECT_EQ(k->Uninstall(), 0) << "nothing installed yet";
        // A thread that does not exist: refused, and nothing is left to remove.
        EXPECT_EQ(k->Install(Receiver, Library, 0xFFFFFFF0u), 0);
        EXPECT_EQ(k->Uninstall(), 0);
        EXPECT_EQ(k->Install(Receiver, Library, A.Thread), 1);
        EXPECT_EQ(k->Install(Receiver, Library, A.Thread), 0) << "second install";
        EXPECT_EQ(k->Install(Receiver, Library, 0), 0) << "second install, whole desktop";
        // The handle lives in the shared section: another process is refused too,
        DWORD code = 0;
        const std::string probe = "\"" + wintest::ProgramDir() + "hook_target.exe\" install \"" + DllPath + "\" " + k->Name;
        ASSERT_TRUE(wintest::RunProcess(probe, kStartWaitMs, &code));
        EXPECT_EQ(code, 0u) << "install in another process while ours is active";
        EXPECT_EQ(k->Uninstall(), 1);
        EXPECT_EQ(k->Uninstall(), 0) << "second uninstall";
        // and may install once ours is gone.
        ASSERT_TRUE(wintest::RunProcess(probe, kStartWaitMs, &code));
        EXPECT_EQ(code, 11u) << "install and uninstall in another process";
    }
}

// A process that ends without uninstalling takes its hook with it but leaves
// the handle in the shared section; uninstalling clears it so that the next
// install is not refused for ever.
TEST_F(HookTest, HookOfEndedProcessCanBeCleared) {
    for (const SHooks* k : Kinds) {
        SCOPED_TRACE(k->Name);
        wintest::SChild holder;
        ASSERT_TRUE(wintest::StartProcess(
            "\"" + wintest::ProgramDir() + "hook_target.exe\" install \"" + DllPath + "\" " + k->Name + " keep", &holder));
        // Refused once the other process holds the hook.
        bool held = wintest::WaitFor(
            [&] {
                if (k->Install(Receiver, Library, A.Thread) == 0) return true;
                k->Uninstall();
                return false;
            },
            kStartWaitMs);
        wintest::KillProcess(&holder);
        ASSERT_TRUE(held);
        EXPECT_EQ(k->Install(Receiver, Library, A.Thread), 0) << "the ended process's handle is still stored";
        EXPECT_EQ(k->Uninstall(), 1);
        EXPECT_EQ(k->Install(Receiver, Library, A.Thread), 1);
        EXPECT_EQ(k->Uninstall(), 1);
    }
}

// The procedures called directly report to whichever receiver the installed
// hook holds, which pins down the exact messages.
TEST_F(HookTest, KeyboardReportsPressAndRelease) {
    HWND second = MakeReceiver();
    ASSERT_EQ(Keyboard.Install(Receiver, Library, A.Thread), 1);
    EXPECT_EQ(Keyboard.Install(second, Library, A.Thread), 0);
    struct {
        WPARAM Key;
        uint32_t Flags;
        UINT Expected;
    } cases[] = {
        {'A', 0x001E0001u, kKeyPressed},          // first press
        {'A', 0x401E0001u, kKeyPressed},          // auto-repeat: previous state set, still a press
        {'A', 0xC01E0001u, kKeyReleased},         // release
        {VK_SHIFT, 0x802A0001u, kKeyReleased},    // bit 31 alone decides
        {VK_RETURN, 0x7FFFFFFFu, kKeyPressed},    // every other bit set
        {0xFF, 0x80000000u, kKeyReleased},
    };
    for (const auto& c : cases) {
        Reports.clear();
        const LPARAM flags = static_cast<LPARAM>(static_cast<int32_t>(c.Flags));
        Keyboard.Proc(HC_ACTION, c.Key, flags);
        Pump();
        ASSERT_EQ(Reports.size(), 1u) << std::hex << c.Flags;
        EXPECT_EQ(Reports[0].Receiver, Receiver) << "the first install keeps its receiver";
        EXPECT_EQ(Reports[0].Message, c.Expected) << std::hex << c.Flags;
        EXPECT_EQ(Reports[0].WParam, c.Key);
        EXPECT_EQ(static_cast<uint32_t>(Reports[0].LParam), c.Flags);
        EXPECT_FALSE(Reports[0].Sent);
    }
    Reports.clear();
    Keyboard.Proc(-1, 'A', 0);
    Pump();
    EXPECT_TRUE(Reports.empty()) << "negative hook codes are only passed on";
    DestroyWindow(second);
}

TEST_F(HookTest, MouseReportsTargetAndScreenPosition) {
    ASSERT_EQ(Mouse.Install(Receiver, Library, A.Thread), 1);
    struct {
        UINT Message;
        POINT Pt;
        uint32_t Packed;
    } cases[] = {
        {WM_MOUSEMOVE, {300, 200}, 300u | (200u << 16)},
        {WM_LBUTTONDOWN, {0, 0}, 0},
        {WM_RBUTTONUP, {1023, 767}, 1023u | (767u << 16)},
        {WM_MOUSEMOVE, {-5, -7}, 0xFFF9FFFBu},  // left of and above the primary screen
        {WM_MOUSEMOVE, {0x12345, 0x10002}, 0x00022345u},  // only 16 bits of each
        {WM_MOUSEWHEEL, {10, 20}, 10u | (20u << 16)},
    };
    for (const auto& c : cases) {
        Reports.clear();
        MOUSEHOOKSTRUCT record{};
        record.pt = c.Pt;
        record.hwnd = A.Window;
        Mouse.Proc(HC_ACTION, c.Message, reinterpret_cast<LPARAM>(&record));
        Pump();
        ASSERT_EQ(Reports.size(), 1u) << c.Pt.x << "," << c.Pt.y;
        EXPECT_EQ(Reports[0].Message, c.Message + 0x8000);
        EXPECT_EQ(Reports[0].WParam, reinterpret_cast<WPARAM>(A.Window));
        EXPECT_EQ(static_cast<uint32_t>(Reports[0].LParam), c.Packed) << c.Pt.x << "," << c.Pt.y;
        EXPECT_FALSE(Reports[0].Sent);
    }
    Reports.clear();
    MOUSEHOOKSTRUCT record{};
    Mouse.Proc(-1, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&record));
    Mouse.Proc(HC_ACTION, WM_MOUSEMOVE, 0);  // no record: nothing to report, no crash
    Pump();
    EXPECT_TRUE(Reports.empty());
}

TEST_F(HookTest, MouseControlAsksOnlyAboutLeftRelease) {
    ASSERT_EQ(MouseCtrl.Install(Receiver, Library, A.Thread), 1);
    MOUSEHOOKSTRUCT record{};
    record.pt = {300, 200};
    record.hwnd = A.Window;
    const LPARAM rec = reinterpret_cast<LPARAM>(&record);
    ControlAnswer = 1;
    for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MBUTTONUP}) {
        EXPECT_EQ(MouseCtrl.Proc(HC_ACTION, msg, rec), 0) << msg;
    }
    EXPECT_EQ(MouseCtrl.Proc(-1, WM_LBUTTONUP, rec), 0);
    Pump();
    EXPECT_TRUE(Reports.empty()) << "only a left-button release is asked about";
    // Outside a hook chain the next hook answers 0, so the result is the
    // hook's own decision.
    struct {
        LRESULT Answer;
        LRESULT Result;
    } cases[] = {{1, 1}, {0, 0}, {2, 0}, {-1, 0}, {0x100, 0}, {static_cast<LRESULT>(~static_cast<uintptr_t>(0) - 1), 0}};
    for (const auto& c : cases) {
        Reports.clear();
        ControlAnswer = c.Answer;
        EXPECT_EQ(MouseCtrl.Proc(HC_ACTION, WM_LBUTTONUP, rec), c.Result) << "answer " << c.Answer;
        ASSERT_EQ(Reports.size(), 1u) << "asked at once, without pumping: sent, not posted";
        EXPECT_EQ(Reports[0].Message, kLeftReleased);
        EXPECT_EQ(Reports[0].WParam, reinterpret_cast<WPARAM>(A.Window));
        EXPECT_EQ(static_cast<uint32_t>(Reports[0].LParam), 300u | (200u << 16));
    }
}

// Keyboard messages posted to a window are not input: the keyboard hook sees
// only what comes through the input queue, from the keyboard or SendInput.
TEST_F(HookTest, RealKeystrokesAreReportedAndDeliveredPostedKeysAreNot) {
    ASSERT_EQ(Keyboard.Install(Receiver, Library, A.Thread), 1);
    const LRESULT downs = CountOf(A, WM_KEYDOWN);
    ASSERT_TRUE(TypeInto(A, "a"));
    EXPECT_EQ(CountOf(A, WM_KEYDOWN), downs + 1) << "the press reaches its window";
    ASSERT_TRUE(PumpUntil([&] { return !ReportsOf(kKeyReleased).empty(); }));
    const auto presses = ReportsOf(kKeyPressed);
    const auto releases = ReportsOf(kKeyReleased);
    ASSERT_FALSE(presses.empty());
    EXPECT_EQ(presses.back().WParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(static_cast<uint32_t>(presses.back().LParam) & 0x80000000u, 0u);
    EXPECT_EQ(releases.back().WParam, static_cast<WPARAM>('A'));
    EXPECT_NE(static_cast<uint32_t>(releases.back().LParam) & 0x80000000u, 0u);
    EXPECT_EQ(static_cast<uint32_t>(releases.back().LParam),
              static_cast<uint32_t>(Ask(A, hooktarget::kQueryKeyUpFlags)))
        << "the flags are those the window got";

    Reports.clear();
    LRESULT ups = CountOf(A, WM_KEYUP);
    PostMessageA(A.Window, WM_KEYDOWN, 'E', 0x00120001);
    PostMessageA(A.Window, WM_KEYUP, 'E', static_cast<LPARAM>(static_cast<int32_t>(0xC0120001u)));
    ASSERT_TRUE(WaitCount(A, WM_KEYUP, ups + 1));
    Pump();
    EXPECT_TRUE(Reports.empty()) << Reports.size() << " reports of posted keys";

    ups = CountOf(A, WM_KEYUP);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = 'F';
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, in, sizeof(INPUT)), 2u);
    ASSERT_TRUE(WaitCount(A, WM_KEYUP, ups + 1));
    ASSERT_TRUE(PumpUntil([&] { return !ReportsOf(kKeyReleased).empty(); }));
    EXPECT_EQ(ReportsOf(kKeyPressed).back().WParam, static_cast<WPARAM>('F'));
    EXPECT_EQ(ReportsOf(kKeyReleased).back().WParam, static_cast<WPARAM>('F'));
}

TEST_F(HookTest, RealMouseInputIsReportedAndDelivered) {
    ASSERT_EQ(Mouse.Install(Receiver, Library, A.Thread), 1);
    const POINT p = {300, 200};
    ASSERT_LT(A.Rect.left, p.x);
    ASSERT_GT(A.Rect.right, p.x);
    ASSERT_TRUE(MoveInto(A, p));
    Pump();  // the target has seen the move, so its report is already queued here
    ASSERT_FALSE(ReportsOf(kMouseMoved).empty());
    const SReport move = ReportsOf(kMouseMoved).back();
    EXPECT_EQ(move.WParam, reinterpret_cast<WPARAM>(A.Window));
    EXPECT_EQ(LOWORD(move.LParam), 300);
    EXPECT_EQ(HIWORD(move.LParam), 200);
    const LRESULT ups = CountOf(A, WM_LBUTTONUP);
    ASSERT_TRUE(Xdotool("click 1"));
    ASSERT_TRUE(WaitCount(A, WM_LBUTTONUP, ups + 1)) << "the release reaches its window";
    ASSERT_TRUE(PumpUntil([&] { return !ReportsOf(kLeftReleased).empty(); }));
    EXPECT_EQ(ReportsOf(kLeftPressed).size(), 1u);
    EXPECT_EQ(ReportsOf(kLeftReleased).size(), 1u);
    EXPECT_FALSE(ReportsOf(kLeftReleased)[0].Sent);
    EXPECT_EQ(ReportsOf(kLeftReleased)[0].LParam, move.LParam);
}

TEST_F(HookTest, ThreadHookWatchesOnlyItsThreadAndZeroWatchesAll) {
    ASSERT_EQ(Mouse.Install(Receiver, Library, A.Thread), 1);
    ASSERT_EQ(Keyboard.Install(Receiver, Library, A.Thread), 1);
    ASSERT_TRUE(ClickInto(B));
    ASSERT_TRUE(TypeInto(B, "b"));
    Pump();
    EXPECT_TRUE(Reports.empty()) << Reports.size() << " reports of input to another thread";
    ASSERT_TRUE(ClickInto(A));
    EXPECT_TRUE(PumpUntil([&] { return !ReportsOf(kLeftPressed).empty(); }));

    ASSERT_EQ(Mouse.Uninstall(), 1);
    ASSERT_EQ(Keyboard.Uninstall(), 1);
    ASSERT_EQ(Mouse.Install(Receiver, Library, 0), 1);
    ASSERT_EQ(Keyboard.Install(Receiver, Library, 0), 1);
    Reports.clear();
    ASSERT_TRUE(TypeInto(B, "b"));
    ASSERT_TRUE(PumpUntil([&] { return !ReportsOf(kKeyReleased).empty(); }));
    EXPECT_EQ(ReportsOf(kKeyReleased).back().WParam, static_cast<WPARAM>('B'));
    bool clickInB = false;
    for (const SReport& r : ReportsOf(kLeftPressed)) clickInB |= r.WParam == reinterpret_cast<WPARAM>(B.Window);
    EXPECT_TRUE(clickInB) << "a press in the other process is reported with its window";
}

// Hooks uninstalled, or installed for a receiver that is gone: input goes
// through untouched (a release too, whatever receivers would answer) and
// nothing is reported.
TEST_F(HookTest, NothingIsReportedOrWithheldAfterUninstallOrWithoutReceiver) {
    for (bool uninstalled : {true, false}) {
        SCOPED_TRACE(uninstalled ? "uninstalled" : "receiver destroyed");
        HWND receiver = uninstalled ? Receiver : MakeReceiver();
        for (const SHooks* k : Kinds) ASSERT_EQ(k->Install(receiver, Library, uninstalled ? 0 : A.Thread), 1);
        if (uninstalled) {
            for (const SHooks* k : Kinds) ASSERT_EQ(k->Uninstall(), 1);
        } else {
            DestroyWindow(receiver);
        }
        ControlAnswer = 1;
        const LRESULT ups = CountOf(A, WM_LBUTTONUP), keyUps = CountOf(A, WM_KEYUP);
        ASSERT_TRUE(TypeInto(A, uninstalled ? "c" : "d"));
        EXPECT_TRUE(WaitCount(A, WM_LBUTTONUP, ups + 1)) << "release withheld";
        EXPECT_EQ(CountOf(A, WM_KEYUP), keyUps + 1);
        EXPECT_EQ(WaitForSingleObject(A.Child.Process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "target ended";
        Pump();
        EXPECT_TRUE(Reports.empty()) << Reports.size() << " reports";
    }
}

TEST_F(HookTest, MouseControlWithholdsReleaseOnlyOnAnswerOne) {
    ASSERT_EQ(MouseCtrl.Install(Receiver, Library, A.Thread), 1);
    struct {
        LRESULT Answer;
        bool Withheld;
    } cases[] = {{1, true}, {0, false}, {2, false}, {-1, false}, {1, true}, {0x10001, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Answer);
        Reports.clear();
        ControlAnswer = c.Answer;
        const LRESULT downs = CountOf(A, WM_LBUTTONDOWN);
        const LRESULT ups = CountOf(A, WM_LBUTTONUP);
        ASSERT_TRUE(ClickInto(A));
        ASSERT_TRUE(PumpUntil([&] { return !ReportsOf(kLeftReleased).empty(); })) << "release not asked about";
        // A right click after it: once its release has arrived, the left one
        // has either arrived too or been withheld.
        const LRESULT rightUps = CountOf(A, WM_RBUTTONUP);
        ASSERT_TRUE(Xdotool("click 3"));
        ASSERT_TRUE(WaitCount(A, WM_RBUTTONUP, rightUps + 1));
        EXPECT_EQ(CountOf(A, WM_LBUTTONDOWN), downs + 1) << "the press is never withheld";
        EXPECT_EQ(CountOf(A, WM_LBUTTONUP), ups + (c.Withheld ? 0 : 1));
        const auto asked = ReportsOf(kLeftReleased);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_TRUE(asked[0].Sent);
        EXPECT_EQ(asked[0].WParam, reinterpret_cast<WPARAM>(A.Window));
        EXPECT_EQ(asked.size(), Reports.size()) << "other mouse messages are not asked about";
    }
}

}  // namespace
