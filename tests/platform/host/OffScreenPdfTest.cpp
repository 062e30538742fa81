// A controller that never reaches a window, drawn into a PDF through its view's layers.
#include "platform/graphics/Output.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

using namespace ui;

struct Report : ViewController {
    void viewDidLoad() override {
        view().setFrame({0, 0, 400, 200});
        auto label = std::make_shared<Label>(Rect{20, 20, 360, 30});
        label->setText("Summary of Height");
        view().addSubview(label);
    }
};

TEST(OffScreenController, DrawsIntoAPdfWithItsTextKept) {
    host::HeadlessHost host;
    auto report = std::make_shared<Report>();
    TraitCollection regular = TraitCollection::forScreen(UserInterfaceIdiom::Phone, {375, 667});
    regular.horizontalSizeClass = SizeClass::Regular;
    report->setOverrideTraitCollection(regular);
    View& v = report->view();
    EXPECT_EQ(v.window(), nullptr);
    v.layoutIfNeeded();
    auto path = std::filesystem::path(testing::TempDir()) / ("report-" + std::to_string(::getpid()) + ".pdf");
    auto ctx = gfx::makePDFContext(path.string(), {0, 0, 400, 200});
    ctx->beginPage();
    v.layer().renderInContext(*ctx);
    ctx->endPage();
    ASSERT_TRUE(ctx->finish());
    std::string cmd = "pdftotext '" + path.string() + "' - 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string text;
    std::array<char, 256> buf{};
    while (fgets(buf.data(), int(buf.size()), pipe.get()))
        text += buf.data();
    EXPECT_NE(text.find("Summary of Height"), std::string::npos) << text;
    std::filesystem::remove(path);
}

} // namespace
