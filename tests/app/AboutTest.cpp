// The About tab: its labels for a pinned version and clock, the README buttons, mail only where the
// build names addresses, what a mail result tells the user, and the pad and phone layouts.
#include "app/AboutViewController.h"
#include "app/PresentMailResult.h"

#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using namespace ui;

// 2031-06-01T12:00:00Z.
constexpr double kJune2031 = 1938081600;
// 2030-12-31T23:30:00Z: already 2031 in Tokyo.
constexpr double kNewYearsEveUtc = 1924990200;

struct ScopedTimeZone {
    std::string old;
    bool had;
    explicit ScopedTimeZone(const char* zone) {
        const char* o = std::getenv("TZ");
        had = o != nullptr;
        old = o ? o : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had)
            setenv("TZ", old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

// Hands nothing to a mail program: the message stays where it was written.
struct SavingMail : host::RecordingMailService {
    host::MailResult answer{true, false, "/home/user/Ovrida/message.eml", ""};
    host::MailResult send(const host::MailMessage& message) override {
        RecordingMailService::send(message);
        return answer;
    }
};

struct About : ::testing::Test {
    std::unique_ptr<host::HeadlessHost> host;
    std::unique_ptr<Driver> driver;
    host::RecordingLauncher launcher;
    SavingMail mail;
    std::shared_ptr<AboutViewController> about;
    Environment saved = Environment::shared();

    void SetUp() override { Environment::shared().version = "7.3.1"; }
    void TearDown() override {
        driver.reset();
        host.reset();
        Environment::shared() = saved;
    }
    void show(AboutViewController::Contacts contacts = {}, std::string nib = {}, double now = kJune2031,
              Size size = {1024, 768}, UserInterfaceIdiom idiom = UserInterfaceIdiom::Pad) {
        driver.reset();
        host = std::make_unique<host::HeadlessHost>(size, idiom);
        driver = std::make_unique<Driver>(host->window(), *host);
        about = std::make_shared<AboutViewController>(launcher, mail, nib, [now] { return now; }, contacts);
        host->window().setRootViewController(about);
        host->drain();
    }
    bool visible(const std::string& identifier) {
        View* v = about->view().viewWithIdentifier(identifier);
        return v && !v->isHidden();
    }
};

TEST_F(About, LabelsShowTheVersionAndTheYearOfTheClock) {
    show();
    EXPECT_EQ(about->labelTitle().text(), "Ovrida");
    EXPECT_EQ(about->labelVersion().text(), "Version 7.3.1");
    EXPECT_EQ(about->labelCopyright().text(), "Copyright © 2031 the Ovrida authors");
    EXPECT_FALSE(about->labelAboutQV().text().empty());
    const std::string& bio = about->labelBio().text();
    EXPECT_EQ(bio.substr(bio.size() - 7), "README.");
    {
        ScopedTimeZone tokyo("Asia/Tokyo");
        show({}, {}, kNewYearsEveUtc);
        EXPECT_EQ(about->labelCopyright().text(), "Copyright © 2031 the Ovrida authors");
    }
    {
        ScopedTimeZone utc("UTC");
        show({}, {}, kNewYearsEveUtc);
        EXPECT_EQ(about->labelCopyright().text(), "Copyright © 2030 the Ovrida authors");
    }
}

TEST_F(About, HomeAndSupportPageOpenTheReadme) {
    show();
    driver->tap("buttonHome");
    driver->tap("buttonSupportPage");
    const std::string readme = AboutViewController::readmePath();
    EXPECT_EQ(launcher.opened, (std::vector<std::string>{readme, readme}));
    EXPECT_TRUE(std::filesystem::path(readme).is_absolute());
    EXPECT_EQ(std::filesystem::path(readme).filename(), "README.md");
    EXPECT_EQ(std::filesystem::path(readme).parent_path(),
              std::filesystem::absolute(Environment::shared().resourcesFolder));
}

TEST_F(About, WithoutAddressesNoMailIsOfferedAndTheGapCloses) {
    show();
    for (const char* hidden : {"labelSupport", "buttonSupport", "labelFeedback", "buttonFeedback"})
        EXPECT_FALSE(visible(hidden)) << hidden;
    EXPECT_TRUE(visible("buttonSupportPage"));
    // The copyright follows the support page button directly, one section gap below it.
    View* page = about->view().viewWithIdentifier("buttonSupportPage");
    EXPECT_NEAR(about->labelCopyright().frame().origin.y, page->frame().maxY() + 28, 1e-9);
    // The store and the related app have no place here.
    for (const char* gone : {"buttonReview", "labelReview", "btnReview", "labelRelatedApp", "labelRelatedAppName",
                             "viewRelatedApp", "imageRelatedApp", "shopRelatedApp"})
        EXPECT_EQ(about->view().viewWithIdentifier(gone), nullptr) << gone;
    EXPECT_TRUE(mail.sent.empty());
    driver->saveScreenshot(renderChecks::scratchPath("about-as-built.png"));
}

TEST_F(About, WithAddressesTheMailButtonsWriteToThem) {
    show({"help@example.org", "ideas@example.org"});
    EXPECT_EQ(about->labelSupport().text(), "For help with Ovrida please see our support page or email us:");
    EXPECT_EQ(about->labelFeedback().text(), "Please send feedback and feature requests to us at:");
    for (const char* shown : {"labelSupport", "buttonSupport", "labelFeedback", "buttonFeedback"})
        EXPECT_TRUE(visible(shown)) << shown;
    mail.answer = {true, true, "/tmp/m.eml", ""};
    driver->tap("buttonSupport");
    driver->tap("buttonFeedback");
    ASSERT_EQ(mail.sent.size(), 2u);
    EXPECT_EQ(mail.sent[0].subject, "Ovrida 7.3.1");
    EXPECT_EQ(mail.sent[0].to, std::vector<std::string>{"help@example.org"});
    EXPECT_EQ(mail.sent[0].title, "Support");
    EXPECT_EQ(mail.sent[1].to, std::vector<std::string>{"ideas@example.org"});
    EXPECT_EQ(mail.sent[1].title, "Feedback");
    EXPECT_EQ(about->presentedViewController(), nullptr); // a mail program took both
}

TEST_F(About, WhatBecameOfTheMessageIsTold) {
    struct Case {
        const char* name;
        host::MailResult result;
        const char* title; // nullptr: no alert
        std::string message;
    };
    const Case cases[] = {
        {"saved, nothing took it", {true, false, "/home/user/Ovrida/message.eml", ""}, "Message Saved",
         "No mail program took the message. It was saved as:\n/home/user/Ovrida/message.eml"},
        {"could not be written", {false, false, "", "The disk is full."}, "Mail Failed", "The disk is full."},
        {"handed over", {true, true, "/tmp/x.eml", ""}, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"help@example.org", ""});
        mail.answer = c.result;
        driver->tap("buttonSupport");
        auto* alert = dynamic_cast<AlertController*>(about->presentedViewController());
        if (!c.title) {
            EXPECT_EQ(alert, nullptr);
            continue;
        }
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), c.title);
        EXPECT_EQ(alert->message(), c.message);
        ASSERT_EQ(alert->actions().size(), 1u);
        EXPECT_EQ(alert->actions()[0].title, "OK");
        driver->tapText("OK");
        host->waitUntilIdle();
        EXPECT_EQ(about->presentedViewController(), nullptr);
    }
}

TEST_F(About, PadAndPhoneLayoutsByIdiomOrByName) {
    struct Case {
        const char* name;
        std::string nib;
        Size screen;
        UserInterfaceIdiom idiom;
        const char* expected;
        double column; // the width of the text column
    };
    const Case cases[] = {
        {"a pad", "", {1024, 768}, UserInterfaceIdiom::Pad, "pad", 540},
        {"a phone", "", {375, 667}, UserInterfaceIdiom::Phone, "phone", 335},
        {"the phone layout asked for on a pad", "phone", {1024, 768}, UserInterfaceIdiom::Pad, "phone", 984},
        {"the pad layout asked for on a phone", "pad", {375, 667}, UserInterfaceIdiom::Phone, "pad", 295},
        {"a phone on its side", "", {667, 375}, UserInterfaceIdiom::Phone, "phone", 627},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"help@example.org", "ideas@example.org"}, c.nib, kJune2031, c.screen, c.idiom);
        EXPECT_EQ(about->nibName(), c.expected);
        EXPECT_EQ(about->labelBio().frame().size.width, c.column);
        EXPECT_EQ(about->labelTitle().font().size(), c.expected == std::string("pad") ? 34 : 28);
        // Every shown item inside the screen's width, one below the other, none overlapping.
        auto* scroll = dynamic_cast<ScrollView*>(&about->view());
        ASSERT_TRUE(scroll);
        double bottom = 0;
        for (const auto& v : scroll->subviews()) {
            if (v->isHidden() || v->identifier().empty())
                continue;
            SCOPED_TRACE(v->identifier());
            EXPECT_GE(v->frame().origin.x, 0);
            EXPECT_LE(v->frame().maxX(), c.screen.width);
            EXPECT_GE(v->frame().origin.y, bottom);
            bottom = v->frame().maxY();
        }
        // All of it can be scrolled into view.
        EXPECT_GE(scroll->contentSize().height, bottom);
        driver->saveScreenshot(renderChecks::scratchPath(std::string("about-") + c.expected + "-" +
                                                         std::to_string(int(c.screen.width)) + ".png"));
    }
}

} // namespace
