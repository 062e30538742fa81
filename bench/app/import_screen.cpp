// An import of a 100,000 x 50 CSV through the whole screen road, headless (the sheet confirmed, the
// status screen with its hops and reports, the completion, the workspace opened on Browse), against the
// importer alone on a background Model with the same saves and resets and no hops (the target: the
// screen road at most 1.2x as long).
#include "app/FilesViewController.h"
#include "app/MainStoryboard.h"
#include "app/NewFileViewController.h"
#include "bench/BenchImport.h"
#include "bench/BenchTiming.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using benchtiming::medianSeconds;

constexpr int kRows = 100000;
constexpr int kCols = 50;
constexpr int kRuns = 5;

void writeCsv(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int c = 0; c < kCols; ++c)
        out << (c ? "," : "") << "Var" << c + 1;
    out << '\n';
    for (int r = 1; r <= kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            if (c)
                out << ',';
            if (c % 5 == 4)
                out << "level " << r % 13;
            else
                out << r * (c + 3) % 9973 << '.' << c;
        }
        out << '\n';
    }
}

// The importer alone, as the screen's worker drives it, on this thread.
int importAlone(const std::string& csv, const std::string& out) {
    std::error_code ec;
    std::filesystem::remove(out, ec);
    Model model;
    auto coordinator = std::make_shared<store::Coordinator>(Model::managedObjectModel());
    model.setPersistentStoreCoordinator(coordinator);
    model.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
    model.openStore(out);
    model.setWritesWithoutSync(true);
    benchimport::ScreenLikeDelegate delegate(model);
    FileImporter importer;
    importer.setModel(&model);
    importer.setDelegate(&delegate);
    importer.createWorkspaceFromText(csv, true, 0, U',', ".");
    model.setWritesWithoutSync(false);
    model.closeStores();
    return delegate.code;
}

} // namespace

int main() {
    const benchfiles::ScratchFolder folder("import-screen");
    const std::string documents = folder.file("Documents");
    std::filesystem::create_directories(documents);
    foundation::UserDefaults::setStandardPath(folder.file("defaults.json"));
    ui::Environment::shared().documentsFolder = documents;
    const std::string csv = (std::filesystem::path(documents) / "data.csv").string();
    std::printf("writing a %d x %d CSV...\n", kRows, kCols);
    std::fflush(stdout);
    writeCsv(csv);

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    host::RecordingFileIconService icons;
    host::RecordingLauncher launcher;
    host::RecordingMailService mail;
    auto tabs = MainStoryboard::instantiateInitialViewController({icons, launcher, mail, FileOperations::standard()});
    auto files = std::dynamic_pointer_cast<FilesViewController>(tabs->viewControllers()[0]);
    host.window().setRootViewController(tabs);
    host.drain();

    bool ok = true;
    int rows = 0;
    auto screen = [&] {
        tabs->setSelectedIndex(0);
        host.drain();
        files->importURL(csv);
        host.drain();
        auto* nav = dynamic_cast<ui::NavigationController*>(files->presentedViewController());
        auto* sheet = nav ? dynamic_cast<NewFileViewController*>(nav->viewControllers().front().get()) : nullptr;
        if (!sheet || !host.runUntil([&] { return sheet->buttonAdvanced().isEnabled(); }, 60)) {
            ok = false;
            return;
        }
        driver.tap(&sheet->buttonCreate());
        host.drain();
        // Replacing the workspace of the run before asks first.
        if (auto* ask = dynamic_cast<ui::AlertController*>(sheet->presentedViewController())) {
            ask->choose(1);
            host.drain();
        }
        ok = ok && host.runUntil([&] { return !files->presentedViewController() && tabs->selectedIndex() == 1; },
                                 600);
        rows = static_cast<int>(Model::sharedModel().countRows());
    };
    int aloneCode = 0;
    auto alone = [&] { aloneCode = importAlone(csv, folder.file("alone.ov")); };
    const auto t = medianSeconds(kRuns, {screen, alone});
    Model::sharedModel().closeStores();
    const double ratio = t[0] / t[1];
    std::printf("import of a %d x %d CSV: through the screens %.2f s (%d rows opened), the importer alone %.2f s "
                "(code %d), ratio %.2f (target <= 1.2)\n",
                kRows, kCols, t[0], rows, t[1], aloneCode, ratio);
    return ok && rows == kRows && aloneCode == FileImporter::codeNormalEnd && ratio <= 1.2 ? 0 : 1;
}
