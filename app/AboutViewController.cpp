// The About screen's layouts (pad and phone from one builder), its texts and its buttons.
#include "app/AboutViewController.h"

#include "app/PresentMailResult.h"
#include "app/TextFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>

using foundation::tr;
using ui::Rect;

#ifndef OVRIDA_SUPPORT_ADDRESS
#define OVRIDA_SUPPORT_ADDRESS ""
#endif
#ifndef OVRIDA_FEEDBACK_ADDRESS
#define OVRIDA_FEEDBACK_ADDRESS ""
#endif

// The scrolling root: it lays the screen out whenever its size changes (rotation, window resizing).
class AboutViewController::AboutView : public ui::ScrollView {
  public:
    AboutView(const Rect& frame, AboutViewController& owner) : ScrollView(frame), owner_(owner) {}
    void layoutSubviews() override {
        ScrollView::layoutSubviews();
        owner_.layoutScreen();
    }

  private:
    AboutViewController& owner_;
};

AboutViewController::Contacts AboutViewController::Contacts::fromBuild() {
    return {OVRIDA_SUPPORT_ADDRESS, OVRIDA_FEEDBACK_ADDRESS};
}

AboutViewController::AboutViewController(host::Launcher& launcher, host::MailService& mail, std::string nibName,
                                         std::function<double()> now, Contacts contacts)
    : launcher_(launcher), mail_(mail), nibName_(std::move(nibName)), now_(std::move(now)),
      contacts_(std::move(contacts)) {
    if (!now_)
        now_ = [] {
            return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        };
    setTitle(tr("About"));
}

std::string AboutViewController::readmePath() {
    std::error_code ec;
    auto folder = std::filesystem::absolute(ui::Environment::shared().resourcesFolder, ec);
    return ((ec ? std::filesystem::path(ui::Environment::shared().resourcesFolder) : folder) / "README.md").string();
}

std::shared_ptr<ui::Button> AboutViewController::makeButton(const std::string& identifier, const std::string& title,
                                                            void (AboutViewController::*action)(ui::Control&)) {
    auto button = std::make_shared<ui::Button>();
    button->setIdentifier(identifier);
    button->setTitle(title);
    button->addTarget(ui::TouchUpInside, [this, action](ui::Control& sender) { (this->*action)(sender); });
    scroll_->addSubview(button);
    return button;
}

void AboutViewController::loadView() {
    if (nibName_ != "pad" && nibName_ != "phone")
        nibName_ = traitCollection().idiom == ui::UserInterfaceIdiom::Pad ? "pad" : "phone";
    scroll_ = std::make_shared<AboutView>(Rect{0, 0, 320, 480}, *this);
    scroll_->setBackgroundColor(ui::Color::white());
    scroll_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto label = [&](const std::string& identifier) {
        auto l = std::make_shared<ui::Label>();
        l->setIdentifier(identifier);
        l->setNumberOfLines(0);
        l->setLineBreakMode(gfx::LineBreakMode::WordWrap);
        l->setTextAlignment(gfx::TextAlignment::Center);
        scroll_->addSubview(l);
        return l;
    };
    labelTitle_ = label("labelTitle");
    labelVersion_ = label("labelVersion");
    labelAboutQV_ = label("labelAboutQV");
    labelBio_ = label("labelBio");
    home_ = makeButton("buttonHome", tr("Read the README"), &AboutViewController::buttonHome);
    labelSupport_ = label("labelSupport");
    supportPage_ = makeButton("buttonSupportPage", tr("Help and support"), &AboutViewController::buttonSupportPage);
    support_ = makeButton("buttonSupport", contacts_.supportAddress, &AboutViewController::buttonSupport);
    labelFeedback_ = label("labelFeedback");
    feedback_ = makeButton("buttonFeedback", contacts_.feedbackAddress, &AboutViewController::buttonFeedback);
    labelCopyright_ = label("labelCopyright");
    setView(scroll_);
}

void AboutViewController::viewDidLoad() {
    const bool pad = nibName_ == "pad";
    const std::string product = tr("Ovrida");
    labelTitle_->setText(product);
    labelVersion_->setText(formatText(tr("Version %@"), {ui::Environment::shared().version}));
    labelAboutQV_->setText(tr("About the project"));
    labelBio_->setText(tr("Ovrida is built in the open as a tool for exploring tables of data and running everyday "
                          "statistics on Linux. What it does, how to build it and what it leaves out are in its "
                          "README."));
    labelSupport_->setText(formatText(tr("For help with %@ please see our support page or email us:"), {product}));
    labelFeedback_->setText(tr("Please send feedback and feature requests to us at:"));
    std::time_t seconds = static_cast<std::time_t>(std::floor(now_()));
    std::tm local{};
    localtime_r(&seconds, &local);
    labelCopyright_->setText(
        formatText(tr("Copyright © %d the Ovrida authors"), {std::to_string(local.tm_year + 1900)}));

    // Mail works only where the build names an address; without one its invitation is not shown.
    const bool supportMail = !contacts_.supportAddress.empty();
    const bool feedbackMail = !contacts_.feedbackAddress.empty();
    labelSupport_->setHidden(!supportMail);
    support_->setHidden(!supportMail);
    labelFeedback_->setHidden(!feedbackMail);
    feedback_->setHidden(!feedbackMail);

    labelTitle_->setFont(gfx::Font::boldSystem(pad ? 34 : 28));
    labelVersion_->setFont(gfx::Font::system(pad ? 17 : 15));
    labelVersion_->setTextColor(ui::Color::gray(0.4));
    labelAboutQV_->setFont(gfx::Font::boldSystem(pad ? 20 : 17));
    for (auto* l : {labelBio_.get(), labelSupport_.get(), labelFeedback_.get()})
        l->setFont(gfx::Font::system(pad ? 17 : 15));
    labelCopyright_->setFont(gfx::Font::system(pad ? 14 : 12));
    labelCopyright_->setTextColor(ui::Color::gray(0.4));
    for (auto* b : {home_.get(), supportPage_.get(), support_.get(), feedback_.get()})
        b->titleLabel().setFont(gfx::Font::system(pad ? 17 : 15));
}

void AboutViewController::layoutScreen() {
    const bool pad = nibName_ == "pad";
    const double W = scroll_->bounds().size.width;
    const double margin = pad ? 40 : 20;
    const double column = std::max(0.0, pad ? std::min(540.0, W - 2 * margin) : W - 2 * margin);
    const double x = std::floor((W - column) / 2);
    double y = pad ? 60 : 24;
    // Items in groups: a small gap inside a group, a larger one between groups. Hidden items take no
    // room, so the ones below move up.
    struct Item {
        ui::View* view;
        int group;
    };
    const double gap = pad ? 12 : 8, section = pad ? 28 : 18;
    const Item items[] = {{labelTitle_.get(), 0},   {labelVersion_.get(), 0},  {labelAboutQV_.get(), 1},
                          {labelBio_.get(), 1},     {home_.get(), 2},          {labelSupport_.get(), 3},
                          {supportPage_.get(), 3},  {support_.get(), 3},       {labelFeedback_.get(), 4},
                          {feedback_.get(), 4},     {labelCopyright_.get(), 5}};
    int lastGroup = -1;
    for (const Item& item : items) {
        if (item.view->isHidden())
            continue;
        if (lastGroup >= 0)
            y += item.group != lastGroup ? section : item.group == 0 ? 2 : gap;
        lastGroup = item.group;
        double height = dynamic_cast<ui::Button*>(item.view) ? (pad ? 40 : 34)
                                                             : std::ceil(item.view->sizeThatFits({column, 0}).height);
        item.view->setFrame({x, y, column, height});
        y += height;
    }
    // Only a change: a new content size asks for another layout.
    ui::Size content{W, y + (pad ? 40 : 24)};
    if (scroll_->contentSize() != content)
        scroll_->setContentSize(content);
}

void AboutViewController::buttonHome(ui::Control&) {
    if (!launcher_.open(readmePath()))
        foundation::log("About: could not open " + readmePath());
}

void AboutViewController::buttonSupportPage(ui::Control& sender) {
    buttonHome(sender);
}

void AboutViewController::buttonSupport(ui::Control&) {
    sendMail(contacts_.supportAddress, tr("Support"));
}

void AboutViewController::buttonFeedback(ui::Control&) {
    sendMail(contacts_.feedbackAddress, tr("Feedback"));
}

void AboutViewController::sendMail(const std::string& address, const std::string& title) {
    if (address.empty())
        return;
    host::MailMessage message;
    message.subject = formatText(tr("Ovrida %@"), {ui::Environment::shared().version});
    message.to = {address};
    message.title = title;
    presentMailResult(*this, mail_.send(message));
}
