// The About tab: the product's name and version, a few words about the project with a pointer to its
// README, mail to the project where the build names addresses for it, and the copyright line.
#pragma once

#include "platform/host/Services.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>

class AboutViewController : public ui::ViewController {
  public:
    // Where mail to the project goes; an empty address hides its invitation and button.
    struct Contacts {
        std::string supportAddress;
        std::string feedbackAddress;
        // The addresses the build was configured with (none by default).
        static Contacts fromBuild();
    };

    // `nibName` "pad" or "phone" picks that layout; empty: the one for the device's idiom. `now` gives
    // the wall clock in seconds since 1970 (the current time when empty).
    AboutViewController(host::Launcher& launcher, host::MailService& mail, std::string nibName = {},
                        std::function<double()> now = {}, Contacts contacts = Contacts::fromBuild());

    // The layout in use ("pad" or "phone"), known once the view has loaded.
    const std::string& nibName() const { return nibName_; }
    // The README in the resources folder, which the home and support-page buttons open.
    static std::string readmePath();

    void loadView() override;
    void viewDidLoad() override;

    // Actions.
    void buttonHome(ui::Control& sender);
    void buttonSupportPage(ui::Control& sender);
    void buttonSupport(ui::Control& sender);
    void buttonFeedback(ui::Control& sender);

    // Outlets.
    ui::Label& labelTitle() { return *labelTitle_; }
    ui::Label& labelVersion() { return *labelVersion_; }
    ui::Label& labelAboutQV() { return *labelAboutQV_; }
    ui::Label& labelBio() { return *labelBio_; }
    ui::Label& labelSupport() { return *labelSupport_; }
    ui::Label& labelFeedback() { return *labelFeedback_; }
    ui::Label& labelCopyright() { return *labelCopyright_; }

  private:
    class AboutView;
    void layoutScreen();
    void sendMail(const std::string& address, const std::string& title);
    std::shared_ptr<ui::Button> makeButton(const std::string& identifier, const std::string& title,
                                           void (AboutViewController::*action)(ui::Control&));

    host::Launcher& launcher_;
    host::MailService& mail_;
    std::string nibName_;
    std::function<double()> now_;
    Contacts contacts_;
    std::shared_ptr<ui::ScrollView> scroll_;
    std::shared_ptr<ui::Label> labelTitle_, labelVersion_, labelAboutQV_, labelBio_, labelSupport_, labelFeedback_,
        labelCopyright_;
    std::shared_ptr<ui::Button> home_, supportPage_, support_, feedback_;
};
