// The derived-variable editor driven as a user would: categories, slots, the variable chooser, the name
// and constant fields, and Create, on real workspace files; values against tests/fixtures/derived.
#include "ScreenFixture.h"

#include "app/EditVariableViewController.h"
#include "app/TransformEquations.h"
#include "platform/ui/TableViewController.h"

#include <atomic>
#include <cmath>
#include <fstream>
#include <future>
#include <set>
#include <sstream>

namespace {

// The values fixture: x 4, "", 9, "abc", -1; y 2, 0, 3, 1, ""; w a divisor with a 0 where x is present;
// k a constant column.
const std::vector<ColumnSpec> kValuesFixture = {
    {"x", {"4", "", "9", "abc", "-1"}, 3},
    {"y", {"2", "0", "3", "1", ""}, 3},
    {"w", {"0", "5", "2", "1", "4"}, 3},
    {"k", {"3", "3", "3", "3", "3"}, 3},
};

class EditVariableTest : public ScreenTest {
  protected:
    void showEditor() {
        if (!host) {
            makeHost();
            nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
            host->window().setRootViewController(nav);
            host->drain();
        }
        editor = std::make_shared<EditVariableViewController>();
        editor->setModel(&model());
        nav->pushViewController(editor, false);
        host->drain();
    }
    ui::Button* slotWithCode(unsigned code) {
        for (size_t i = 0; i < kTransformSlotCount; ++i)
            if (editor->slotButton(i).tag() == static_cast<int>(code))
                return &editor->slotButton(i);
        return nullptr;
    }
    // The category that offers the code (none for the codes only the first slots offer), then its slot.
    void chooseCode(unsigned code) {
        for (unsigned category = 0; category < kTransformCategoryCount; ++category)
            for (const auto& slot : slotsOfCategory(category))
                if (slot.code == code && !slotWithCode(code)) {
                    driver->tap(&editor->categoryButton(category));
                    host->drain();
                }
        ui::Button* slot = slotWithCode(code);
        ASSERT_NE(slot, nullptr) << code;
        driver->tap(slot);
        host->drain();
    }
    // The chooser shown, bare in a popover (pad) or in a navigation controller (phone).
    ui::TableViewController* chooser() {
        ui::ViewController* shown = editor->presentedViewController();
        if (auto* nav = dynamic_cast<ui::NavigationController*>(shown))
            shown = nav->topViewController();
        return dynamic_cast<ui::TableViewController*>(shown);
    }
    std::vector<std::string> chooserRows() {
        std::vector<std::string> out;
        auto* list = chooser();
        if (!list)
            return out;
        for (int r = 0; r < list->tableView().numberOfRowsInSection(0); ++r)
            out.push_back(list->tableView().cellForRowAtIndexPath({0, r})->textLabel().text());
        return out;
    }
    void chooseVariable(ui::Button& button, const std::string& name) {
        driver->tap(&button);
        host->drain();
        ASSERT_NE(chooser(), nullptr);
        ui::TableView& table = chooser()->tableView();
        for (int r = 0; r < table.numberOfRowsInSection(0); ++r)
            if (auto* cell = table.cellForRowAtIndexPath({0, r}); cell && cell->textLabel().text() == name) {
                driver->tap(cell);
                host->drain();
                EXPECT_EQ(editor->presentedViewController(), nullptr);
                return;
            }
        ADD_FAILURE() << "no row " << name;
    }
    void retype(ui::TextField& field, const std::string& text) {
        ASSERT_TRUE(driver->tap(&field));
        driver->deleteBackward(static_cast<int>(field.text().size()));
        driver->type(text);
        driver->pressReturn();
        host->drain();
    }
    void createAndWait() {
        driver->tap(&editor->buttonCreate());
        ASSERT_TRUE(runUntil([&] { return nav->topViewController() != editor.get(); }));
    }

    std::shared_ptr<EditVariableViewController> editor;
};

struct ValueCase {
    unsigned code;
    std::string x, y, c;
    std::vector<std::string> expected; // "-" for a missing value
};

std::vector<ValueCase> readValueCases() {
    std::ifstream in("tests/fixtures/derived/derived_values.txt");
    std::vector<ValueCase> out;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ValueCase c;
        fields >> c.code >> c.x >> c.y >> c.c;
        for (std::string v; fields >> v;)
            c.expected.push_back(v);
        out.push_back(c);
    }
    return out;
}

TEST_F(EditVariableTest, EveryTransformationGivesTheReferenceValues) {
    openWorkspace(kValuesFixture);
    const auto cases = readValueCases();
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " x=" + c.x + " y=" + c.y + " c=" + c.c);
        showEditor();
        chooseCode(c.code);
        if (c.x != "none")
            chooseVariable(editor->buttonVariable(), c.x);
        if (c.y != "none")
            chooseVariable(editor->buttonVariableY(), c.y);
        if (c.c != "none")
            retype(editor->fieldConstantC(), c.c);
        const std::string name = editor->nameNewVar();
        ASSERT_TRUE(editor->buttonCreate().isEnabled()) << editor->labelStatusMessage().text();
        createAndWait();
        auto column = columnNamed(name);
        ASSERT_NE(column, nullptr);
        const auto stored = texts(*column);
        ASSERT_EQ(stored.size(), c.expected.size());
        for (size_t row = 0; row < stored.size(); ++row) {
            SCOPED_TRACE("row " + std::to_string(row + 1));
            if (c.expected[row] == "-") {
                EXPECT_EQ(stored[row], "");
                continue;
            }
            const double want = std::stod(c.expected[row]);
            ASSERT_FALSE(stored[row].empty());
            EXPECT_NEAR(std::stod(stored[row]), want, 1e-12 * std::max(1.0, std::fabs(want)));
        }
        // Statistics and a guessed type are stored with the new column.
        const auto present = std::count_if(c.expected.begin(), c.expected.end(),
                                           [](const std::string& v) { return v != "-"; });
        EXPECT_EQ(column->obs(), present);
        EXPECT_EQ(column->type(), Model::guessTypeOfColumn(*column));
    }
}

TEST_F(EditVariableTest, RandomCodesDrawAFreshNumberPerRowAndPerCreation) {
    openWorkspace(kValuesFixture);
    auto create = [&](unsigned code) {
        showEditor();
        chooseCode(code);
        const std::string name = editor->nameNewVar();
        createAndWait();
        auto column = columnNamed(name);
        std::vector<double> values;
        for (const auto& text : texts(*column)) {
            EXPECT_FALSE(text.empty()) << code; // no input, so no row is missing
            values.push_back(text.empty() ? NAN : std::stod(text));
        }
        return values;
    };
    const auto first = create(335), second = create(335);
    for (double u : first) {
        EXPECT_GE(u, 0);
        EXPECT_LT(u, 1);
    }
    EXPECT_EQ(std::set<double>(first.begin(), first.end()).size(), first.size());
    EXPECT_NE(first, second);
    for (double z : create(337))
        EXPECT_TRUE(std::isfinite(z));
}

TEST_F(EditVariableTest, ZOfAColumnWhoseCacheWasClearedIsStillStandardised) {
    openWorkspace(kValuesFixture);
    auto x = columnNamed("x");
    x->setMean(std::nullopt);
    x->setSd(std::nullopt);
    x->setMin(std::nullopt);
    x->setMax(std::nullopt);
    model().saveContext();
    for (unsigned code : {327u, 339u}) {
        showEditor();
        chooseCode(code);
        chooseVariable(editor->buttonVariable(), "x");
        const std::string name = editor->nameNewVar();
        createAndWait();
        // x = 4, 9, -1: mean 4, sd 5, min -1, max 9.
        const std::vector<std::string> expected = code == 327
                                                      ? std::vector<std::string>{"0", "", "1", "", "-1"}
                                                      : std::vector<std::string>{"0.5", "", "1", "", "0"};
        EXPECT_EQ(texts(*columnNamed(name)), expected) << code;
    }
}

struct PreviewCase {
    const char* what;
    const char* name;
    unsigned code;
    const char* x;
    const char* y;
    const char* c;
    const char* preview;
    const char* status;
    bool create;
};

TEST_F(EditVariableTest, PreviewStatusAndCreateFollowTheInputs) {
    openWorkspace(kValuesFixture);
    const PreviewCase cases[] = {
        {"an empty name shows x", "", 300, "x", "", "", "x = log(x)",
         "Please provide a name for the new variable", false},
        {"x/c with c 0", "New", 311, "x", "", "0", "New = x / 0", "Make constant non-zero for division",
         false},
        {"x/c with c 0.00", "New", 311, "x", "", "0.00", "New = x / 0", "Make constant non-zero for division",
         false},
        {"x/c without c", "New", 311, "x", "", "", "New = x / c", "Please enter a numerical constant", false},
        {"x/c complete", "New", 311, "x", "", "2", "New = x / 2", "", true},
        {"an existing name", "y", 300, "x", "", "", "y = log(x)",
         "Another variable already exists with the name y", false},
        {"no x", "New", 303, "", "", "", "New = sqrt(x)", "Please select a variable to transform", false},
        {"no y", "New", 316, "x", "", "", "New = x + y", "Please select a variable to transform", false},
        {"x and y", "New", 316, "x", "w", "", "New = x + w", "", true},
        {"|x| keeps its letter", "New", 338, "k", "", "", "New = |x|", "", true},
        {"rand needs nothing", "New", 335, "", "", "", "New = rand(0,1)", "", true},
        {"c alone", "New", 334, "", "", "7.5", "New = 7.5", "", true},
        {"the preview rounds c", "New", 309, "x", "", "3.14159", "New = x + 3.142", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        showEditor();
        retype(editor->fieldName(), c.name);
        chooseCode(c.code);
        if (*c.x)
            chooseVariable(editor->buttonVariable(), c.x);
        if (*c.y)
            chooseVariable(editor->buttonVariableY(), c.y);
        if (*c.c)
            retype(editor->fieldConstantC(), c.c);
        const TransformEquation& eq = transformEquation(c.code);
        EXPECT_EQ(editor->labelPreview().text(), c.preview);
        EXPECT_EQ(editor->labelStatusMessage().text(), c.status);
        EXPECT_EQ(editor->buttonCreate().isEnabled(), c.create);
        EXPECT_EQ(editor->buttonVariable().isHidden(), !eq.needsX);
        EXPECT_EQ(editor->buttonVariableY().isHidden(), !eq.needsY);
        EXPECT_EQ(editor->fieldConstantC().isHidden(), !eq.needsC);
        EXPECT_EQ(driver->text("buttonVariable"), eq.needsX ? (*c.x ? c.x : "Choose variable x...") : "");
        nav->popViewControllerAnimated(false);
        host->drain();
    }
}

TEST_F(EditVariableTest, LoadingShowsTheTextsAndTheLowestFreeDefaultName) {
    openWorkspace({{"Var1", {"1"}, 3}, {"Var2", {"2"}, 3}, {"Var4", {"4"}, 3}});
    showEditor();
    EXPECT_EQ(editor->title(), "Add Variable");
    EXPECT_EQ(editor->fieldName().text(), "Var3");
    EXPECT_EQ(editor->equation(), 300u);
    EXPECT_EQ(editor->category(), 0u);
    const std::pair<const char*, const char*> texts[] = {
        {"buttonCreate", "Create Variable"},
        {"labelNewName", "Create new variable named:"},
        {"labelChooseVariable", "x:"},
        {"labelChooseTransform", "Choose transformation:"},
        {"labelCurrentTransform", "Current transformation:"},
        {"buttonCatSingle", "Derive from one variable"},
        {"buttonCatConstant", "Derive from variable and constant"},
        {"buttonCatTwoVar", "Derive from two variables"},
        {"buttonCatRecode", "Recode variable's distribution"},
        {"buttonCatLogical", "Logical"},
        {"buttonCatGenerate", "Generate"},
        {"buttonTransformLog", "log(x)"},
        {"buttonTransformSquare", "x²"},
        {"buttonTransformCube", "x³"},
        {"labelNote", "Note: log(x) produces missing values for x <= 0"},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(driver->text(id), text) << id;
    EXPECT_EQ(editor->fieldConstantC().placeholder(), "Enter constant c");
    EXPECT_TRUE(editor->slotButton(0).isHighlighted());
    EXPECT_TRUE(editor->categoryButton(0).isHighlighted());
    for (auto* id : {"viewChooseVariables", "viewCats", "viewChooseTransformations", "viewOutput"}) {
        const auto& layer = driver->find(id)->layer();
        EXPECT_EQ(layer.cornerRadius(), 20) << id;
        EXPECT_EQ(layer.borderWidth(), 2) << id;
        EXPECT_EQ(driver->find(id)->backgroundColor(), ui::Color::white()) << id;
    }
}

TEST_F(EditVariableTest, WithEveryDefaultNameTakenTheLastOneStandsAndCreateIsDisabled) {
    std::vector<ColumnSpec> columns;
    for (int n = 1; n <= 500; ++n)
        columns.push_back({"Var" + std::to_string(n), {"1"}, 3});
    openWorkspace(columns);
    showEditor();
    EXPECT_EQ(editor->fieldName().text(), "Var500");
    chooseVariable(editor->buttonVariable(), "Var1");
    EXPECT_EQ(editor->labelStatusMessage().text(), "Another variable already exists with the name Var500");
    EXPECT_FALSE(editor->buttonCreate().isEnabled());
}

TEST_F(EditVariableTest, ACategoryChangeKeepsTheCodeAndTheInputs) {
    openWorkspace(kValuesFixture);
    showEditor();
    chooseCode(316);
    chooseVariable(editor->buttonVariable(), "x");
    chooseVariable(editor->buttonVariableY(), "y");
    chooseCode(311);
    retype(editor->fieldConstantC(), "2");
    EXPECT_TRUE(slotWithCode(311)->isHighlighted());
    EXPECT_FALSE(editor->labelNote().isHidden());
    EXPECT_EQ(editor->labelNote().text(), "Constant must not be zero");

    for (unsigned category : {0u, 4u, 5u}) {
        driver->tap(&editor->categoryButton(category));
        host->drain();
        EXPECT_EQ(editor->category(), category);
        EXPECT_TRUE(editor->categoryButton(category).isHighlighted());
        EXPECT_EQ(editor->equation(), 311u);
        EXPECT_EQ(editor->labelPreview().text(), "Var1 = x / 2");
        for (size_t i = 0; i < kTransformSlotCount; ++i)
            EXPECT_FALSE(editor->slotButton(i).isHighlighted()) << category << " " << i;
        EXPECT_TRUE(editor->labelNote().isHidden());
        EXPECT_EQ(editor->column()->name(), "x");
        EXPECT_EQ(editor->columnY()->name(), "y");
        ASSERT_TRUE(editor->scalarC());
        EXPECT_EQ(editor->scalarC()->toString(), "2");
    }
    // The unused slots of "Generate" are hidden, its first two never.
    EXPECT_FALSE(editor->slotButton(1).isHidden());
    EXPECT_TRUE(editor->slotButton(4).isHidden());
    driver->tap(&editor->categoryButton(1));
    host->drain();
    EXPECT_TRUE(slotWithCode(311)->isHighlighted());
}

TEST_F(EditVariableTest, TheChooserListsOnlyNumericVariables) {
    openWorkspace({{"a", {"1", "2"}, 3}, {"b", {"u", "v"}, 1}, {"c", {"5", "6"}, 3}, {"d", {"7", "8"}, 2}});
    showEditor();
    driver->tap(&editor->buttonVariable());
    host->drain();
    ASSERT_NE(chooser(), nullptr);
    EXPECT_EQ(chooser()->title(), "Choose Variable:");
    EXPECT_EQ(chooser()->preferredContentSize(), (ui::Size{400, 200}));
    EXPECT_EQ(chooser()->tableView().tag(), 0);
    EXPECT_EQ(chooserRows(), (std::vector<std::string>{"a", "c"}));
    editor->dismissViewController(false);
    host->drain();
    chooseCode(316);
    driver->tap(&editor->buttonVariableY());
    host->drain();
    ASSERT_NE(chooser(), nullptr);
    EXPECT_EQ(chooser()->tableView().tag(), 1);
    EXPECT_EQ(chooserRows(), (std::vector<std::string>{"a", "c"}));
    editor->dismissViewController(false);
    host->drain();

    openWorkspace({{"b", {"u", "v"}, 1}}, "NoNumbers.ov");
    showEditor();
    driver->tap(&editor->buttonVariable());
    host->drain();
    EXPECT_TRUE(chooserRows().empty());
    editor->dismissViewController(false);
    host->drain();
    EXPECT_FALSE(editor->buttonCreate().isEnabled());
    EXPECT_EQ(editor->labelStatusMessage().text(), "Please select a variable to transform");
}

TEST_F(EditVariableTest, TheConstantIsReadFromTheWholeText) {
    openWorkspace(kValuesFixture);
    showEditor();
    chooseCode(309);
    const std::pair<const char*, const char*> typed[] = {
        {"2.5", "2.5"}, {"1,5", "2.5"}, {"2x", "2.5"},      {"abc", "2.5"},
        {"", "2.5"},    {" 3 ", "3"},   {"-0.25", "-0.25"},
    };
    for (const auto& [text, kept] : typed) {
        SCOPED_TRACE(text);
        retype(editor->fieldConstantC(), text);
        EXPECT_EQ(editor->fieldConstantC().text(), kept);
        ASSERT_TRUE(editor->scalarC());
        EXPECT_EQ(editor->scalarC()->toString(), kept);
    }
}

TEST_F(EditVariableTest, InputsStayDisabledWhileTheColumnIsComputed) {
    openWorkspace(kValuesFixture);
    showEditor();
    chooseCode(311);
    chooseVariable(editor->buttonVariable(), "x");
    retype(editor->fieldConstantC(), "2");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> started{false};
    editor->setComputationWillStart([&] {
        started = true;
        released.wait();
    });
    driver->tap(&editor->buttonCreate());
    ASSERT_TRUE(runUntil([&] { return started.load(); }));
    EXPECT_TRUE(editor->isComputing());
    EXPECT_TRUE(editor->activityIndicator().isAnimating());

    // What a user can still reach does nothing, and a refresh that runs anyway keeps Create disabled.
    driver->tap(&editor->categoryButton(2));
    EXPECT_FALSE(driver->typeInto(&editor->fieldConstantC(), "5"));
    editor->showTransformCat(editor->categoryButton(2));
    editor->changeConstant(editor->fieldConstantC());
    host->drain();
    EXPECT_FALSE(editor->buttonCreate().isEnabled());
    for (auto* control : std::initializer_list<ui::Control*>{
             &editor->categoryButton(0), &editor->slotButton(0), &editor->buttonVariable(),
             &editor->buttonVariableY(), &editor->fieldName(), &editor->fieldConstantC()})
        EXPECT_FALSE(control->isEnabled());
    driver->tap(&editor->buttonCreate());

    release.set_value();
    ASSERT_TRUE(runUntil([&] { return nav->topViewController() != editor.get(); }));
    EXPECT_FALSE(editor->activityIndicator().isAnimating());
    int created = 0;
    for (const auto& column : model().columns())
        created += column->name() == "Var1";
    EXPECT_EQ(created, 1);
}

TEST_F(EditVariableTest, OnlyTheInputsTheTransformationNeedsAreRead) {
    openWorkspace(kValuesFixture);
    showEditor();
    // y is chosen for x+y and stays chosen; |x| must not lose the rows where y is missing.
    chooseCode(316);
    chooseVariable(editor->buttonVariable(), "x");
    chooseVariable(editor->buttonVariableY(), "y");
    chooseCode(338);
    const std::string name = editor->nameNewVar();
    createAndWait();
    EXPECT_EQ(texts(*columnNamed(name)), (std::vector<std::string>{"4", "", "9", "", "1"}));
    // And a generated column ignores a chosen x.
    showEditor();
    chooseCode(309);
    chooseVariable(editor->buttonVariable(), "x");
    chooseCode(334);
    retype(editor->fieldConstantC(), "2");
    const std::string constant = editor->nameNewVar();
    createAndWait();
    EXPECT_EQ(texts(*columnNamed(constant)), std::vector<std::string>(5, "2"));
}

TEST_F(EditVariableTest, AScreenClosedDuringTheComputationStillGetsItsColumnAndPopsNothingElse) {
    openWorkspace(kValuesFixture);
    showEditor();
    chooseCode(338);
    chooseVariable(editor->buttonVariable(), "x");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> started{false};
    editor->setComputationWillStart([&started, released] {
        started = true;
        released.wait();
    });
    driver->tap(&editor->buttonCreate());
    ASSERT_TRUE(runUntil([&] { return started.load(); }));
    driver->tap("navigationBack");
    host->drain();
    ASSERT_EQ(nav->viewControllers().size(), 1u);
    std::weak_ptr<EditVariableViewController> gone = editor;
    editor.reset();
    EXPECT_TRUE(gone.expired());
    release.set_value();
    ASSERT_TRUE(runUntil([&] { return columnNamed("Var1") != nullptr; }));
    waitForBackgroundWork();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(texts(*columnNamed("Var1")), (std::vector<std::string>{"4", "", "9", "", "1"}));
}

TEST_F(EditVariableTest, ACategoryTagBeyondTheTableChangesOnlyTheCategory) {
    openWorkspace(kValuesFixture);
    showEditor();
    ui::Button stray;
    stray.setTag(6);
    editor->showTransformCat(stray);
    host->drain();
    EXPECT_EQ(editor->category(), 6u);
    for (size_t i = 0; i < kTransformCategoryCount; ++i)
        EXPECT_FALSE(editor->categoryButton(i).isHighlighted());
    EXPECT_EQ(driver->text("buttonTransformSquare"), "x²"); // the slots as they were
    EXPECT_TRUE(editor->slotButton(0).isHighlighted());
}

} // namespace
