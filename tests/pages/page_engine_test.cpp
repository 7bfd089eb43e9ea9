// SPDX-License-Identifier: GPL-3.0-or-later
// The page engine's logic on the fake transport: why a transaction failed, as the box's
// detail says it, and what a cancel in the middle of a batch leaves shown and sent.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_controls.h"
#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "messages/failure_text.h"
#include "pages/page_catalog.h"
#include "pages/w58/w58_pages.h"
#include "pages/parameter_page.h"
#include "settings/settings.h"
#include "support/fake_meter.h"
#include "support/fake_transport.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"

namespace kelvo::test {
namespace {

using Entry = ScriptedPrompter::Entry;
using Kind = ScriptedPrompter::Kind;

SerialSettings LineSettings() {
    SerialSettings settings;
    settings.portName = "COM1";
    settings.baudRate = 57600;  // a read waits 200 ms for an answer
    return settings;
}

// A page of the W58 kind on the fake line, pressed on this thread as the line's worker
// would run it.
class PageOnFakeLine : public ::testing::Test {
public:
    explicit PageOnFakeLine(const PageDefinition& definition = W58NormalDefinition())
        : line_(std::make_shared<FakeLine>()),
          link_(std::make_unique<FakeTransport>(line_)),
          controls_(definition),
          page_(MakePageLogic(definition, controls_, prompter_)) {
        meter_.Attach(*line_);
        link_.SetStop(&stop_);
        page_->Initialise();
    }

    void Press(int buttonId) {
        prompter_.Clear();
        PageLine line{.link = link_, .settings = LineSettings(), .messages = prompter_};
        ASSERT_TRUE(page_->OnButton(buttonId, line));
    }
    // The meter's answers pass through `spoil` on their way to the link.
    void SpoilAnswers(std::function<Bytes(Bytes)> spoil) {
        const std::lock_guard lock(line_->mutex);
        line_->meter = [this, spoil](std::span<const std::uint8_t> request) { return spoil(meter_.Answer(request)); };
    }
    // The user presses "取消" while request `n` (from 1) waits for its answer.
    void CancelAtRequest(std::size_t n) {
        const std::lock_guard lock(line_->mutex);
        line_->beforeAnswer = [this, n](std::size_t request) {
            if (request == n) stop_.Set();
        };
    }

    TempSettings settings_;  // presets and the like come from a file of the test's own
    std::shared_ptr<FakeLine> line_;
    FakeMeter meter_;
    StopEvent stop_;
    CDMRJly link_;
    FakeControls controls_;
    ScriptedPrompter prompter_;
    std::unique_ptr<ParameterPage> page_;
};

Bytes WithAddress(Bytes answer, std::uint8_t address) {
    if (answer.size() < 3) return answer;
    answer.resize(answer.size() - 2);
    answer[0] = address;
    return WithCrc16(std::move(answer));
}

TEST_F(PageOnFakeLine, EveryFailureSaysWhyInItsDetail) {
    constexpr int kFlowRangeRead = 1074;
    const struct {
        const char* what;
        std::function<void(PageOnFakeLine&)> arrange;
        std::string detail;
    } cases[] = {
        {"no answer", [](PageOnFakeLine& t) { t.meter_.SetSilent(true); }, "无应答（等待 200 ms，共 2 次）"},
        {"bad CRC",
         [](PageOnFakeLine& t) { t.SpoilAnswers([](Bytes answer) { answer.back() ^= 0xFF; return answer; }); },
         "CRC 错误"},
        {"exception", [](PageOnFakeLine& t) { t.meter_.SetExceptionRange(139, 140); }, "仪表异常应答 02（非法数据地址）"},
        {"cut short",
         [](PageOnFakeLine& t) {
             // The byte count is right, the CRC is right, two data bytes are missing.
             t.SpoilAnswers([](Bytes) { return WithCrc16({0x08, 0x04, 0x04, 0x00, 0x01}); });
         },
         "应答不完整"},
        {"another address", [](PageOnFakeLine& t) { t.SpoilAnswers([](Bytes a) { return WithAddress(a, 9); }); },
         "其他地址的应答"},
        {"adapter unplugged", [](PageOnFakeLine& t) { t.line_->gone = true; }, "串口已断开"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(*this);
        Press(kFlowRangeRead);
        EXPECT_EQ(prompter_.Entries(), (std::vector<Entry>{{Kind::Warning, "读取失败", c.detail}}));
        // Back to a meter that answers well.
        meter_.SetSilent(false);
        meter_.SetExceptionRange(1, 0);
        line_->gone = false;
        meter_.Attach(*line_);
    }

    line_->openError = PortError::Busy;
    Press(kFlowRangeRead);
    EXPECT_EQ(prompter_.Entries(),
              (std::vector<Entry>{{Kind::Warning, "打开串口失败！", std::string(PortErrorText(PortError::Busy))}}));
}

TEST_F(PageOnFakeLine, ACancelledReadAllKeepsTheBlocksReadAndSaysNothing) {
    meter_.Edit([](sim::RegisterImage& image) {
        image.SetReg(280, 1);       // totaliser display: the second item (block 2)
        image.SetReg32(139, 7500);  // flow range 0.75 (block 3, cancelled)
    });
    CancelAtRequest(3);
    Press(1018);
    EXPECT_TRUE(prompter_.Entries().empty());
    EXPECT_EQ(line_->Written().size(), 3U) << "nothing more is asked after the cancel";
    EXPECT_EQ(controls_.Selection(1167), 1) << "the blocks read before the cancel are shown";
    EXPECT_EQ(controls_.Text(1007), "0") << "the cancelled block's value stays as it was";
}

TEST_F(PageOnFakeLine, ACancelledDownloadSaysWhichBlocksWentOut) {
    CancelAtRequest(3);
    Press(1129);
    EXPECT_EQ(prompter_.Entries(),
              (std::vector<Entry>{{Kind::Warning, "下传已取消",
                                   "已写入：第 1–2 块（寄存器 134、280）；第 3 块（寄存器 139–140）的请求已发出，"
                                   "仪表可能已写入；未写入：第 4–7 块。"}}));
    const auto written = line_->Written();
    ASSERT_EQ(written.size(), 3U);
    EXPECT_EQ(written[2][1], 0x10);
    EXPECT_EQ((written[2][2] << 8) | written[2][3], 139);
    EXPECT_FALSE(line_->open) << "the port is closed after the message";
}

}  // namespace
}  // namespace kelvo::test
