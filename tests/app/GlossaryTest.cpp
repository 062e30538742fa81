// The glossary: its table of terms, the search over titles, and the screen as a result screen presents
// it (a popover from a bar button), with its search, its term pages and their images.
#include "app/Glossary.h"
#include "app/GlossaryViewController.h"

#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"
#include "platform/ui/TextView.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ui;

const std::vector<std::pair<std::string, std::string>> kTable = {
    {"observations", "Observations"},
    {"levels", "Unique Values"},
    {"mean", "Mean"},
    {"meanCI", "95% CI of Mean"},
    {"median", "Median"},
    {"rms", "Root Mean Square"},
    {"mode", "Mode"},
    {"sum", "Sum"},
    {"minimum", "Minimum"},
    {"pc25", "1st Quartile"},
    {"pc75", "3rd Quartile"},
    {"maximum", "Maximum"},
    {"range", "Range"},
    {"midrange", "Mid-Range"},
    {"variance", "Variance"},
    {"varianceCI", "95% CI of Variance"},
    {"sd", "Standard Deviation"},
    {"sdCI", "95% CI of Std Dev"},
    {"mad", "Mean Abs Dev"},
    {"coeffvar", "Coeff. Variation"},
    {"skew", "Skew"},
    {"kurtosis", "Excess Kurtosis"},
    {"qqplot", "QQ Plot"},
    {"depvar", "Dependent Variable"},
    {"indepvar", "Independent Variable"},
    {"coefficient", "Coefficient"},
    {"residuals", "Residuals"},
    {"linearreg", "Linear Regression"},
    {"rmse", "RMSE"},
    {"r2", "R²"},
    {"adjustedR2", "Adjusted-R²"},
    {"logisticreg", "Logistic Regression"},
    {"loglikelihood", "Log-likelihood"},
    {"pseudoR2", "Pseudo-R²"},
    {"AUC", "AUC"},
    {"AIC", "AIC"},
};

bool inside(const Rect& outer, const Rect& r) {
    return r.origin.x >= outer.origin.x && r.origin.y >= outer.origin.y && r.maxX() <= outer.maxX() &&
           r.maxY() <= outer.maxY();
}

std::vector<std::string> allKeys() {
    std::vector<std::string> keys;
    for (const auto& [key, title] : kTable)
        keys.push_back(key);
    return keys;
}

TEST(Glossary, TheTableHasItsThirtySixTermsWithPlainTexts) {
    Glossary::Terms terms = Glossary::dictTerms();
    EXPECT_EQ(terms.size(), kTable.size());
    for (const auto& [key, title] : kTable) {
        SCOPED_TRACE(key);
        EXPECT_EQ(Glossary::titleForTerm(key), title);
        auto text = Glossary::textForTerm(key);
        ASSERT_TRUE(text);
        EXPECT_EQ(terms[key].size(), 2u);
        // Plain prose: no markup, a full stop at the end, one to three sentences.
        EXPECT_EQ(text->find_first_of("*_#[]!`"), std::string::npos) << *text;
        EXPECT_EQ(text->back(), '.');
        size_t sentences = 1;
        for (size_t at = 0; (at = text->find(". ", at)) != std::string::npos; ++at)
            ++sentences;
        EXPECT_LE(sentences, 3u) << *text;
    }
    const std::string ll = *Glossary::textForTerm("loglikelihood");
    EXPECT_NE(ll.find("negative"), std::string::npos);
    EXPECT_NE(ll.find("larger"), std::string::npos);
    // Unknown keys and attributes give nothing; the table is built afresh on every call.
    EXPECT_FALSE(Glossary::titleForTerm("median2"));
    EXPECT_FALSE(Glossary::attribute("subtitle", "mean"));
    terms["mean"]["title"] = "changed";
    EXPECT_EQ(Glossary::dictTerms()["mean"]["title"], "Mean");
}

TEST(Glossary, TitlesAreSearchedWithoutCaseOrAccents) {
    struct Case {
        std::string search;
        std::vector<std::string> keys; // searched among all the keys, in the table's order
    };
    const Case cases[] = {
        {"ci", {"meanCI", "varianceCI", "sdCI", "coefficient"}},
        {"méan", {"mean", "meanCI", "rms", "mad"}},
        {"R²", {"r2", "adjustedR2", "pseudoR2"}},
        {"QUARTILE", {"pc25", "pc75"}},
        {"nothing like it", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        EXPECT_EQ(Glossary::subsetOfTerms(allKeys(), c.search), c.keys);
    }
    // The given order holds; a key given twice comes out once; unknown keys are left out.
    EXPECT_EQ(Glossary::subsetOfTerms({"sdCI", "meanCI", "sdCI", "nokey", "mean"}, "mean"),
              (std::vector<std::string>{"meanCI", "mean"}));
}

// A result screen with a help button that presents the glossary as the analysis screens do.
struct Harness : ::testing::Test {
    std::unique_ptr<host::HeadlessHost> host;
    std::unique_ptr<Driver> driver;
    std::shared_ptr<ViewController> screen;
    std::shared_ptr<BarButtonItem> help;
    std::shared_ptr<GlossaryViewController> glossary;
    std::vector<std::string> terms{"mean", "meanCI", "median", "sd", "sdCI", "varianceCI", "coefficient", "AIC"};

    void open(Size size = {1024, 768}, UserInterfaceIdiom idiom = UserInterfaceIdiom::Pad) {
        driver.reset();
        host = std::make_unique<host::HeadlessHost>(size, idiom);
        driver = std::make_unique<Driver>(host->window(), *host);
        screen = std::make_shared<ViewController>();
        screen->setTitle("Summary");
        help = std::make_shared<BarButtonItem>("Help", [this](BarButtonItem& item) {
            glossary = GlossaryViewController::presentFromBarButtonItem(*screen, item, terms);
        });
        screen->navigationItem().setRightBarButtonItem(help);
        host->window().setRootViewController(std::make_shared<NavigationController>(screen));
        host->drain();
        driver->tapText("Help");
        host->waitUntilIdle();
    }
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        TableView& table = glossary->tableView();
        for (int r = 0; r < table.numberOfRowsInSection(0); ++r)
            out.push_back(glossary->cellForRowAtIndexPath(table, {0, r})->textLabel().text());
        return out;
    }
    std::vector<std::string> titles(const std::vector<std::string>& keys) {
        std::vector<std::string> out;
        for (const auto& k : keys)
            out.push_back(*Glossary::titleForTerm(k));
        return out;
    }
};

TEST_F(Harness, APopoverFromTheHelpButtonListsTheScreensTerms) {
    open();
    ASSERT_TRUE(glossary);
    EXPECT_EQ(glossary->title(), "Glossary of Terms");
    EXPECT_EQ(glossary->navigationController()->modalPresentationStyle(), ModalPresentationStyle::Popover);
    EXPECT_EQ(glossary->navigationController()->popoverPresentationController().barButtonItem, help.get());
    EXPECT_NE(glossary->navigationController()->popoverPresentationController().arrowDirection, 0u);
    EXPECT_EQ(rows(), titles(terms));
    ASSERT_TRUE(glossary->sdc());
    EXPECT_FALSE(glossary->sdc()->obscuresBackgroundDuringPresentation);
    EXPECT_EQ(glossary->sdc()->searchBar().placeholder(), "Search help terms");
    EXPECT_EQ(glossary->tableView().tableHeaderView(), &glossary->sdc()->searchBar());
    TableViewCell* first = glossary->tableView().cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->reuseIdentifier(), "GlossaryCell");
    EXPECT_EQ(driver->text(first), "Mean");
}

TEST_F(Harness, SearchingCancellingAndAnEmptyTextShowTheRightTerms) {
    open();
    ASSERT_TRUE(driver->typeInto(driver->find("searchField"), "ci"));
    EXPECT_EQ(glossary->searchTerms(), (std::vector<std::string>{"meanCI", "sdCI", "varianceCI", "coefficient"}));
    EXPECT_EQ(rows(), titles(glossary->searchTerms()));
    driver->tap("searchCancel");
    EXPECT_EQ(glossary->searchTerms(), terms);
    EXPECT_EQ(rows(), titles(terms));
    ASSERT_TRUE(driver->typeInto(driver->find("searchField"), "sd"));
    EXPECT_EQ(rows(), (std::vector<std::string>{}));
    driver->deleteBackward(2);
    EXPECT_EQ(glossary->searchTerms(), terms);
    EXPECT_EQ(rows(), titles(terms));
}

TEST_F(Harness, AFilteredRowOpensItsOwnTermAndDoneClosesEverything) {
    open();
    ASSERT_TRUE(driver->typeInto(driver->find("searchField"), "CI of"));
    ASSERT_EQ(glossary->searchTerms(), (std::vector<std::string>{"meanCI", "sdCI", "varianceCI"}));
    driver->pressReturn();
    driver->tapText("95% CI of Std Dev");
    host->waitUntilIdle();
    auto* nav = glossary->navigationController();
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    ViewController* page = nav->topViewController();
    EXPECT_EQ(page->title(), "95% CI of Std Dev");
    auto* text = dynamic_cast<TextView*>(page->view().viewWithIdentifier("glossaryText"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->frame(), (Rect{20, 20, 300, 400}));
    EXPECT_FALSE(text->isEditable());
    EXPECT_EQ(text->text(), *Glossary::textForTerm("sdCI"));
    EXPECT_EQ(page->view().backgroundColor(), Color::gray(0.9));
    driver->tap("navigationBack");
    host->waitUntilIdle();
    driver->tapText("Done");
    host->waitUntilIdle();
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_EQ(driver->findByText("Glossary of Terms"), nullptr);
}

TEST(GlossaryPage, ImageReferencesBecomeAttachmentsOfTheAppsImages) {
    ui::Environment& env = ui::Environment::shared();
    ui::Environment saved = env;
    env.resourcesFolder = std::string(OVRIDA_SOURCE_DIR) + "/resources";
    DCAttributedString out =
        GlossaryViewController::detailTextEngine()->parse("A ![spreadsheet](csv) and ![gone](no-such-image).");
    EXPECT_EQ(out.string(), "A \uFFFC and \uFFFC.");
    const DCTextAttributes* found = out.attributesAt(2);
    const DCTextAttributes* missing = out.attributesAt(8);
    ASSERT_TRUE(found && found->attachment && missing && missing->attachment);
    ASSERT_TRUE(found->attachment->image);
    EXPECT_TRUE(found->attachment->image->sameBitmap(*ui::imageNamed("csv")));
    EXPECT_FALSE(missing->attachment->image);
    // Markdown in a text takes effect on the page too.
    DCAttributedString bold = GlossaryViewController::detailTextEngine()->parse("**Mean** of x");
    EXPECT_TRUE(bold.runs().front().attributes.font->isBold());
    env = saved;
}

// The glossary, a term page and a search, rendered for a look: nothing outside the window or clipped.
TEST_F(Harness, RendersOnAPadAndAPhone) {
    struct Idiom {
        const char* name;
        Size size;
        UserInterfaceIdiom idiom;
    };
    for (Idiom i : {Idiom{"pad", {1024, 768}, UserInterfaceIdiom::Pad}, Idiom{"phone", {375, 667}, UserInterfaceIdiom::Phone}}) {
        SCOPED_TRACE(i.name);
        open(i.size, i.idiom);
        View& list = glossary->navigationController()->view();
        Rect shown = list.convertRectToView(list.bounds(), nullptr);
        EXPECT_TRUE(inside(host->window().bounds(), shown)) << shown.origin.x << "," << shown.origin.y;
        driver->saveScreenshot(renderChecks::scratchPath(std::string("glossary-") + i.name + ".png"));
        driver->tapText("Mean");
        host->waitUntilIdle();
        auto* text = dynamic_cast<TextView*>(glossary->navigationController()->topViewController()->view().viewWithIdentifier("glossaryText"));
        ASSERT_TRUE(text);
        Rect t = text->convertRectToView(text->bounds(), nullptr);
        EXPECT_TRUE(inside(host->window().bounds(), t));
        driver->saveScreenshot(renderChecks::scratchPath(std::string("glossary-page-") + i.name + ".png"));
    }
}

} // namespace
