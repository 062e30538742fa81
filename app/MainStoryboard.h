// The app's tabs built in code: Workspaces, Browse, Variables, Analysis and About, in the order the
// screens rely on, with the segues of each screen registered.
#pragma once

#include "app/FileOperations.h"
#include "platform/host/Services.h"
#include "platform/ui/ViewController.h"

#include <memory>

class MainStoryboard {
  public:
    // The platform services the screens are given; they must outlive the controllers.
    struct Services {
        host::FileIconService& icons;
        host::Launcher& launcher;
        host::MailService& mail;
        FileOperations& files;
        // The desktop's services: icons from the resources folder, xdg-open, mail as .eml files in the
        // temporary folder (once-only shared objects, made at the first call).
        static Services standard();
    };

    // The tab-bar controller: 0 FilesViewController, 1 a navigation controller with BrowseViewController,
    // 2 one with VariablesViewController, 3 one with the registry's "AnalysesViewController", 4 the About
    // screen.
    static std::shared_ptr<ui::TabBarController> instantiateInitialViewController();
    static std::shared_ptr<ui::TabBarController> instantiateInitialViewController(const Services& services);
};
