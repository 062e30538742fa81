// The derived-variable editor: its layout in code, the refresh from state, and the creation on a
// background Model.
#include "app/EditVariableViewController.h"

#include "app/LayoutView.h"
#include "app/TextFormat.h"
#include "app/TransformEquations.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/TableViewController.h"

#include <cctype>
#include <cmath>
#include <limits>

using foundation::tr;

namespace {

constexpr unsigned kVariableLimit = 500;
const ui::Color kChosen{0.0, 0.48, 1.0, 1};
const ui::Color kChoice = ui::Color::gray(0.94);

// A category or slot button: chosen (highlighted) shows as a filled button, so the choice is visible
// after the touch that made it has ended.
class ChoiceButton : public ui::Button {
  public:
    ChoiceButton() {
        setTitleColor(ui::Color::white(), ui::StateHighlighted);
        setBackgroundColor(kChoice);
        layer().setCornerRadius(6);
    }
    void setHighlighted(bool on) override {
        ui::Button::setHighlighted(on);
        setBackgroundColor(on ? kChosen : kChoice);
    }
};

std::shared_ptr<ui::View> makeContainer(const char* identifier) {
    auto view = std::make_shared<ui::View>();
    view->setIdentifier(identifier);
    view->setBackgroundColor(ui::Color::white());
    view->layer().setCornerRadius(20);
    view->layer().setBorderWidth(2);
    view->layer().setBorderColor(ui::Color::gray(2.0 / 3.0));
    return view;
}

std::shared_ptr<ui::Label> makeLabel(const char* identifier, double size = 17) {
    auto label = std::make_shared<ui::Label>();
    label->setIdentifier(identifier);
    label->setFont(gfx::Font::system(size));
    return label;
}

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

EditVariableViewController::EditVariableViewController() = default;

void EditVariableViewController::loadView() {
    auto root = std::make_shared<LayoutView>(ui::Rect{0, 0, 1024, 675});
    root->setBackgroundColor(ui::Color::gray(0.92));
    setView(root);
    scroll_ = std::make_shared<ui::ScrollView>();
    scroll_->setIdentifier("scrollEditor");
    root->addSubview(scroll_);

    viewChooseVariables_ = makeContainer("viewChooseVariables");
    viewCats_ = makeContainer("viewCats");
    viewChooseTransformations_ = makeContainer("viewChooseTransformations");
    viewOutput_ = makeContainer("viewOutput");
    for (const auto& container : {viewChooseVariables_, viewCats_, viewChooseTransformations_, viewOutput_})
        scroll_->addSubview(container);

    labelNewName_ = makeLabel("labelNewName");
    fieldName_ = std::make_shared<ui::TextField>();
    fieldName_->setIdentifier("fieldName");
    fieldName_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    labelChooseVariable_ = makeLabel("labelChooseVariable");
    labelChooseVariableY_ = makeLabel("labelChooseVariableY");
    chooseConstantC_ = makeLabel("chooseConstantC");
    buttonVariable_ = std::make_shared<ui::Button>();
    buttonVariable_->setIdentifier("buttonVariable");
    buttonVariable_->setTag(0);
    buttonVariableY_ = std::make_shared<ui::Button>();
    buttonVariableY_->setIdentifier("buttonVariableY");
    buttonVariableY_->setTag(1);
    for (auto* button : {buttonVariable_.get(), buttonVariableY_.get()})
        button->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    fieldConstantC_ = std::make_shared<ui::TextField>();
    fieldConstantC_->setIdentifier("fieldConstantC");
    fieldConstantC_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    for (const auto& v : std::initializer_list<std::shared_ptr<ui::View>>{
             labelNewName_, fieldName_, labelChooseVariable_, buttonVariable_, labelChooseVariableY_,
             buttonVariableY_, chooseConstantC_, fieldConstantC_})
        viewChooseVariables_->addSubview(v);

    static const char* const categoryNames[] = {"buttonCatSingle", "buttonCatConstant", "buttonCatTwoVar",
                                                "buttonCatRecode", "buttonCatLogical",  "buttonCatGenerate"};
    for (size_t i = 0; i < categories_.size(); ++i) {
        categories_[i] = std::make_shared<ChoiceButton>();
        categories_[i]->setIdentifier(categoryNames[i]);
        categories_[i]->setTag(static_cast<int>(i));
        viewCats_->addSubview(categories_[i]);
    }

    labelChooseTransform_ = makeLabel("labelChooseTransform");
    viewChooseTransformations_->addSubview(labelChooseTransform_);
    static const char* const slotNames[] = {
        "buttonTransformLog",    "buttonTransformLog1", "buttonTransformLn",   "buttonTransformLn1",
        "buttonTransformSquare", "buttonTransformCube", "buttonTransformSqrt", "buttonTransformArcsin"};
    for (size_t i = 0; i < slots_.size(); ++i) {
        slots_[i] = std::make_shared<ChoiceButton>();
        slots_[i]->setIdentifier(slotNames[i]);
        viewChooseTransformations_->addSubview(slots_[i]);
    }
    labelNote_ = makeLabel("labelNote", 15);
    labelNote_->setNumberOfLines(2);
    labelNote_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelNote_->setTextColor(ui::Color::gray(0.35));
    viewChooseTransformations_->addSubview(labelNote_);

    labelCurrentTransform_ = makeLabel("labelCurrentTransform");
    labelPreview_ = makeLabel("labelPreview", 20);
    labelPreview_->setFont(gfx::Font::boldSystem(20));
    labelPreview_->setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
    labelStatusMessage_ = makeLabel("labelStatusMessage", 15);
    labelStatusMessage_->setTextColor({0.8, 0.1, 0.1, 1});
    labelStatusMessage_->setNumberOfLines(2);
    labelStatusMessage_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    buttonCreate_ = std::make_shared<ui::Button>();
    buttonCreate_->setIdentifier("buttonCreate");
    buttonCreate_->titleLabel().setFont(gfx::Font::boldSystem(18));
    activityIndicator_ = std::make_shared<ui::ActivityIndicatorView>();
    activityIndicator_->setIdentifier("activityIndicator");
    for (const auto& v : std::initializer_list<std::shared_ptr<ui::View>>{
             labelCurrentTransform_, labelPreview_, labelStatusMessage_, buttonCreate_, activityIndicator_})
        viewOutput_->addSubview(v);

    root->onLayout = [this] { layoutScreen(); };
}

void EditVariableViewController::layoutScreen() {
    const ui::Size size = view().bounds().size;
    scroll_->setFrame({0, 0, size.width, size.height});
    constexpr double margin = 20, pad = 15, row = 44, field = 34;
    const bool wide = size.width >= 700;
    const double columnWidth = wide ? (size.width - 3 * margin) / 2 : size.width - 2 * margin;
    const double inner = columnWidth - 2 * pad;

    // Name and inputs.
    labelNewName_->setFrame({pad, pad, inner, 22});
    fieldName_->setFrame({pad, pad + 26, inner, field});
    const double inputs = pad + 26 + field + 12;
    const std::pair<ui::Label*, ui::View*> rows[] = {{labelChooseVariable_.get(), buttonVariable_.get()},
                                                     {labelChooseVariableY_.get(), buttonVariableY_.get()},
                                                     {chooseConstantC_.get(), fieldConstantC_.get()}};
    // The inputs the transformation needs, one after another from the top.
    double y = inputs;
    for (const auto& [label, control] : rows) {
        label->setFrame({pad, y, 30, field});
        control->setFrame({pad + 36, y, inner - 36, field});
        if (!control->isHidden())
            y += row;
    }
    const double variablesHeight = inputs + 2 * row + field + pad;

    // Categories, one per line.
    constexpr double button = 36, gap = 6;
    for (size_t i = 0; i < categories_.size(); ++i)
        categories_[i]->setFrame({pad, pad + (button + gap) * static_cast<double>(i), inner, button});
    const double catsHeight = 2 * pad + 6 * button + 5 * gap;

    // Slots in two columns of four, the note below them.
    labelChooseTransform_->setFrame({pad, pad, inner, 22});
    const double slotWidth = (inner - 8) / 2, slotTop = pad + 30;
    for (size_t i = 0; i < slots_.size(); ++i)
        slots_[i]->setFrame({pad + static_cast<double>(i % 2) * (slotWidth + 8),
                             slotTop + static_cast<double>(i / 2) * (38 + 8), slotWidth, 38});
    const double noteTop = slotTop + 4 * 38 + 3 * 8 + 8;
    labelNote_->setFrame({pad, noteTop, inner, 40});
    const double transformationsHeight = noteTop + 40 + pad;

    // The formula, the status and Create.
    labelCurrentTransform_->setFrame({pad, pad, inner, 22});
    labelPreview_->setFrame({pad, pad + 26, inner, 30});
    labelStatusMessage_->setFrame({pad, pad + 58, inner, 40});
    buttonCreate_->setFrame({pad, pad + 100, 180, 40});
    activityIndicator_->setFrame({pad + 190, pad + 100, 40, 40});
    const double outputHeight = pad + 100 + 40 + pad;

    const double left = margin, right = wide ? 2 * margin + columnWidth : margin;
    viewChooseVariables_->setFrame({left, margin, columnWidth, variablesHeight});
    viewCats_->setFrame({left, viewChooseVariables_->frame().maxY() + margin, columnWidth, catsHeight});
    const double rightTop = wide ? margin : viewCats_->frame().maxY() + margin;
    viewChooseTransformations_->setFrame({right, rightTop, columnWidth, transformationsHeight});
    viewOutput_->setFrame(
        {right, viewChooseTransformations_->frame().maxY() + margin, columnWidth, outputHeight});
    const double bottom = std::max(viewCats_->frame().maxY(), viewOutput_->frame().maxY()) + margin;
    scroll_->setContentSize({size.width, bottom});
}

void EditVariableViewController::viewDidLoad() {
    // The lowest free "Var%u"; past 500 the last name stands even though it is taken.
    for (unsigned n = 1; n <= kVariableLimit; ++n) {
        nameNewVar_ = formatText(tr("Var%u"), {std::to_string(n)});
        if (model_ && model_->nameIsValid(nameNewVar_))
            break;
    }
    setTitle(tr("Add Variable"));
    equation_ = 300;
    fieldName_->setText(nameNewVar_);

    buttonCreate_->setTitle(tr("Create Variable"));
    labelNewName_->setText(tr("Create new variable named:"));
    labelChooseVariable_->setText("x:");
    labelChooseVariableY_->setText("y:");
    chooseConstantC_->setText("c:");
    labelChooseTransform_->setText(tr("Choose transformation:"));
    labelCurrentTransform_->setText(tr("Current transformation:"));
    fieldConstantC_->setPlaceholder(tr("Enter constant c"));
    for (size_t i = 0; i < categories_.size(); ++i)
        categories_[i]->setTitle(tr(titleOfCategory(static_cast<unsigned>(i))));
    const auto& initial = initialSlots();
    for (size_t i = 0; i < slots_.size(); ++i) {
        slots_[i]->setTitle(std::string(initial[i].title));
        slots_[i]->setTag(static_cast<int>(initial[i].code));
        slots_[i]->setHidden(i > 1 && initial[i].code == kUnusedTransformSlot);
    }

    for (auto& button : categories_)
        button->addTarget(ui::TouchUpInside, [this](ui::Control& c) { showTransformCat(c); });
    for (auto& button : slots_)
        button->addTarget(ui::TouchUpInside, [this](ui::Control& c) { chooseTransformation(c); });
    for (auto* button : {buttonVariable_.get(), buttonVariableY_.get()})
        button->addTarget(ui::TouchUpInside, [this](ui::Control& c) { chooseVariable(c); });
    fieldName_->addTarget(ui::EditingChanged, [this](ui::Control& c) { changeName(c); });
    // The constant is read when its editing ends, so that "-" or "2." on the way to a number stands.
    fieldConstantC_->addTarget(ui::EditingDidEnd, [this](ui::Control& c) { changeConstant(c); });
    for (auto* field : {fieldName_.get(), fieldConstantC_.get()})
        field->addTarget(ui::EditingDidEndOnExit, [this](ui::Control& c) { dismissKeyboard(c); });
    buttonCreate_->addTarget(ui::TouchUpInside, [this](ui::Control& c) { create(c); });
}

void EditVariableViewController::viewWillAppear(bool) {
    refresh();
}

void EditVariableViewController::refreshOnNextTurn() {
    dispatch::mainQueue().async([weak = weak_from_this()] {
        if (auto self = weak.lock())
            static_cast<EditVariableViewController&>(*self).refresh();
    });
}

void EditVariableViewController::refresh() {
    view();
    const TransformEquation& eq = transformEquation(equation_);
    labelNote_->setText(*eq.note ? tr(eq.note) : std::string());
    bool anyChosen = false;
    for (auto& slot : slots_) {
        const bool chosen = slot->tag() == static_cast<int>(equation_);
        slot->setHighlighted(chosen);
        anyChosen = anyChosen || chosen;
    }
    for (auto& button : categories_)
        button->setHighlighted(button->tag() == static_cast<int>(category_));
    labelNote_->setHidden(!anyChosen);

    const std::string x = column_ ? column_->name() : "x";
    const std::string y = columnY_ ? columnY_->name() : "y";
    const std::string c = scalarC_ ? Model::stringFromNumber(scalarC_->toDouble()) : "c";
    labelPreview_->setText(previewOfEquation(eq, nameNewVar_.empty() ? "x" : nameNewVar_, x, y, c));

    const bool nameValid = model_ ? model_->nameIsValid(nameNewVar_) : !nameNewVar_.empty();
    const bool inputsMissing = (eq.needsX && !column_) || (eq.needsY && !columnY_);
    const bool zeroDivisor = equation_ == 311 && scalarC_ && scalarC_->isZero();
    std::string status;
    if (nameNewVar_.empty())
        status = tr("Please provide a name for the new variable");
    else if (!nameValid)
        status = formatText(tr("Another variable already exists with the name %@"), {nameNewVar_});
    else if (inputsMissing)
        status = tr("Please select a variable to transform");
    else if (zeroDivisor)
        status = tr("Make constant non-zero for division");
    else if (eq.needsC && !scalarC_)
        status = tr("Please enter a numerical constant");
    labelStatusMessage_->setText(status);

    buttonVariable_->setTitle(column_ ? column_->name() : tr("Choose variable x..."));
    buttonVariableY_->setTitle(columnY_ ? columnY_->name() : tr("Choose variable y..."));
    fieldConstantC_->setText(scalarC_ ? scalarC_->toString() : std::string());

    buttonVariable_->setHidden(!eq.needsX);
    labelChooseVariable_->setHidden(!eq.needsX);
    buttonVariableY_->setHidden(!eq.needsY);
    labelChooseVariableY_->setHidden(!eq.needsY);
    fieldConstantC_->setHidden(!eq.needsC);
    chooseConstantC_->setHidden(!eq.needsC);
    view().setNeedsLayout();

    // Once a computation has started nothing enables Create again: a second tap would add a second
    // column of the same name.
    const bool ready = nameValid && !inputsMissing && !(eq.needsC && !scalarC_) && !zeroDivisor;
    buttonCreate_->setEnabled(ready && !computing_);
}

void EditVariableViewController::showTransformCat(ui::Control& sender) {
    category_ = static_cast<unsigned>(std::max(sender.tag(), 0));
    if (category_ < kTransformCategoryCount) {
        const auto& slots = slotsOfCategory(category_);
        for (size_t i = 0; i < slots_.size(); ++i) {
            slots_[i]->setTitle(std::string(slots[i].title));
            slots_[i]->setTag(static_cast<int>(slots[i].code));
            // The first two slots stay visible: every category fills them.
            slots_[i]->setHidden(i > 1 && slots[i].code == kUnusedTransformSlot);
        }
    }
    refreshOnNextTurn();
}

void EditVariableViewController::chooseTransformation(ui::Control& sender) {
    equation_ = static_cast<unsigned>(std::max(sender.tag(), 0));
    refreshOnNextTurn();
}

void EditVariableViewController::chooseVariable(ui::Control& sender) {
    auto chooser = std::make_shared<ui::TableViewController>(ui::TableViewStyle::Plain);
    ui::TableView& table = chooser->tableView();
    table.setDataSource(this);
    table.setTableDelegate(this);
    table.setTag(sender.tag());
    chooser->setTitle(tr("Choose Variable:"));
    chooser->setPreferredContentSize({400, 200});
    chooser->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    chooser->popoverPresentationController().sourceView = &sender;
    if (traitCollection().idiom == ui::UserInterfaceIdiom::Pad) {
        presentViewController(chooser, true);
        return;
    }
    // A phone shows the list over the whole screen, where no tap lands outside it: a bar with its
    // title and Cancel keeps a way back, also from an empty list.
    chooser->navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Cancel, [this](ui::BarButtonItem&) { dismissViewController(true); }));
    presentViewController(std::make_shared<ui::NavigationController>(chooser), true);
}

int EditVariableViewController::numberOfRowsInSection(ui::TableView&, int) {
    return model_ ? static_cast<int>(model_->columnsOfTypes({3}).size()) : 0;
}

std::shared_ptr<ui::TableViewCell>
EditVariableViewController::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    auto columns = model_ ? model_->columnsOfTypes({3}) : std::vector<std::shared_ptr<Column>>{};
    const auto row = static_cast<size_t>(indexPath.row);
    cell->textLabel().setText(row < columns.size() ? columns[row]->name() : std::string());
    return cell;
}

void EditVariableViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    auto columns = model_ ? model_->columnsOfTypes({3}) : std::vector<std::shared_ptr<Column>>{};
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < columns.size()) {
        if (tableView.tag() == 1)
            columnY_ = columns[row];
        else if (tableView.tag() == 0)
            column_ = columns[row];
    }
    dismissViewController(true);
    refresh();
}

void EditVariableViewController::changeName(ui::Control&) {
    nameNewVar_ = fieldName_->text();
    refresh();
}

void EditVariableViewController::changeConstant(ui::Control&) {
    // The whole text must read as a number, "." its decimal point; a prefix that reads ("2x", "1,5")
    // is not taken for the number the user meant.
    foundation::Decimal value = foundation::Decimal::fromString(trimmed(fieldConstantC_->text()));
    if (value.isNaN())
        fieldConstantC_->setText(scalarC_ ? scalarC_->toString() : std::string());
    else
        scalarC_ = value;
    refresh();
}

void EditVariableViewController::dismissKeyboard(ui::Control& sender) {
    sender.resignFirstResponder();
}

void EditVariableViewController::setInputsEnabled(bool on) {
    for (auto& button : categories_)
        button->setEnabled(on);
    for (auto& button : slots_)
        button->setEnabled(on);
    for (auto* control : std::initializer_list<ui::Control*>{buttonVariable_.get(), buttonVariableY_.get(),
                                                             fieldName_.get(), fieldConstantC_.get()})
        control->setEnabled(on);
}

void EditVariableViewController::create(ui::Control&) {
    if (computing_ || !model_)
        return;
    // A constant still being typed is taken as the user sees it; if that leaves the inputs incomplete,
    // nothing is created.
    view().endEditing(true);
    if (!buttonCreate_->isEnabled())
        return;
    computing_ = true;
    activityIndicator_->startAnimating();
    setInputsEnabled(false);
    buttonCreate_->setEnabled(false);

    const TransformEquation& eq = transformEquation(equation_);
    // Only the inputs the code needs go along: a variable left over from another category would make
    // every row where it is missing a missing value.
    const std::optional<store::ObjectId> xId =
        eq.needsX && column_ ? std::optional(column_->objectID()) : std::nullopt;
    const std::optional<store::ObjectId> yId =
        eq.needsY && columnY_ ? std::optional(columnY_->objectID()) : std::nullopt;
    const unsigned code = equation_;
    const double c = scalarC_ ? scalarC_->toDouble() : 0.0;
    const std::string name = nameNewVar_;
    auto coordinator = model_->persistentStoreCoordinator();
    auto hook = computationWillStart_;

    dispatch::globalQueue(dispatch::Priority::high).async([=, weak = weak_from_this()] {
        if (hook)
            hook();
        Model background;
        background.setPersistentStoreCoordinator(coordinator);
        background.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
        auto& context = *background.managedObjectContext();
        auto x = xId ? context.existingObject<Column>(*xId) : nullptr;
        auto y = yId ? context.existingObject<Column>(*yId) : nullptr;
        if ((xId && !x) || (yId && !y)) {
            foundation::log("The variable to transform is gone; no new variable was made");
        } else {
            XStatistics statistics;
            if (x) {
                // From a complete cache: computed first when incomplete, never read as 0 from
                // attributes that were never set.
                constexpr double nan = std::numeric_limits<double>::quiet_NaN();
                const BasicStatsSummary s = background.retrieveBasicStatsForColumn(*x);
                statistics = {s.mean.value_or(nan), s.sd.value_or(nan), s.min.value_or(nan),
                              s.max.value_or(nan)};
            }
            if (auto column = background.addColumnNamed(name, x.get(), y.get(), c,
                                                        formulaOfEquation(code, statistics))) {
                background.basicStatsForColumn(*column);
                column->setType(Model::guessTypeOfColumn(*column));
                background.saveContext();
            }
        }
        dispatch::mainQueue().sync([weak] {
            auto self = weak.lock();
            if (!self)
                return;
            auto& editor = static_cast<EditVariableViewController&>(*self);
            editor.activityIndicator_->stopAnimating();
            if (auto* nav = editor.navigationController(); nav && nav->topViewController() == &editor)
                nav->popViewControllerAnimated(true);
        });
    });
}
