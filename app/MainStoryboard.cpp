// The tab assembly and the segues of the Workspaces screen.
#include "app/MainStoryboard.h"

#include "app/AboutViewController.h"
#include "app/BrowseViewController.h"
#include "app/FileImportViewController.h"
#include "app/FilesViewController.h"
#include "app/NewFileViewController.h"
#include "app/VariablesViewController.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"

#include <utility>
#include <vector>

namespace {

// The sheets of a new workspace: a form over the Workspaces screen, in a navigation controller.
ui::ViewController::Ptr newFileSheet() {
    auto nav = std::make_shared<ui::NavigationController>(std::make_shared<NewFileViewController>());
    nav->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
    return nav;
}

void registerSegues(FilesViewController& files) {
    for (const char* sheet : {"newBlank", "example", "import"})
        files.registerSegue(sheet, newFileSheet);
    files.registerSegue("status", [] {
        auto status = std::make_shared<FileImportViewController>();
        status->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
        return status;
    });
}

} // namespace

MainStoryboard::Services MainStoryboard::Services::standard() {
    const ui::Environment& env = ui::Environment::shared();
    static host::ResourceFileIconService icons(env.resourcesFolder, env.scale);
    static host::XdgLauncher launcher;
    static host::EmlMailService mail(env.temporaryFolder, launcher);
    return {icons, launcher, mail, FileOperations::standard()};
}

std::shared_ptr<ui::TabBarController> MainStoryboard::instantiateInitialViewController() {
    return instantiateInitialViewController(Services::standard());
}

std::shared_ptr<ui::TabBarController> MainStoryboard::instantiateInitialViewController(const Services& services) {
    auto files = std::make_shared<FilesViewController>(services.icons, services.files);
    registerSegues(*files);
    auto browse = std::make_shared<ui::NavigationController>(
        std::make_shared<BrowseViewController>(services.launcher, services.mail));
    auto variables = std::make_shared<ui::NavigationController>(std::make_shared<VariablesViewController>());
    auto analyses = std::make_shared<ui::NavigationController>(
        ui::ControllerRegistry::shared().instantiateViewControllerWithIdentifier("AnalysesViewController"));
    auto about = std::make_shared<AboutViewController>(services.launcher, services.mail);

    // Each tab's item is titled here, with the tabs, so the bar reads the same before and after launch.
    const std::vector<std::pair<ui::ViewController::Ptr, const char*>> items = {
        {files, "Workspaces"}, {browse, "Browse"}, {variables, "Variables"}, {analyses, "Analysis"}, {about, "About"}};
    std::vector<ui::ViewController::Ptr> controllers;
    for (const auto& [controller, title] : items) {
        controller->tabBarItem().title = foundation::tr(title);
        controllers.push_back(controller);
    }
    auto tabs = std::make_shared<ui::TabBarController>();
    tabs->setViewControllers(std::move(controllers));
    return tabs;
}
