// The one-column filter editor: loading, the state display, the actions and the level suggestions.
#include "app/WhereColumnViewController.h"

#include "app/LayoutView.h"
#include "app/Presentation.h"
#include "app/TextFormat.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Tr.h"

#include <unicode/unistr.h>

#include <algorithm>

namespace {

// Case folding in full, so the typed text is found in a level whatever the case; accents count.
std::string caseFolded(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).foldCase().toUTF8String(out);
    return out;
}

std::string joinedLevels(const std::set<std::string>& levels) {
    std::string out;
    for (const auto& level : levels)
        out += (out.empty() ? "" : ", ") + level;
    return out;
}

std::shared_ptr<ui::Button> makeButton(const char* identifier) {
    auto button = std::make_shared<ui::Button>();
    button->setIdentifier(identifier);
    return button;
}

} // namespace

void registerWhereScreens() {
    ui::ControllerRegistry::shared().registerController(
        WhereColumnViewController::Identifier, [] { return std::make_shared<WhereColumnViewController>(); });
}

std::vector<uint64_t> WhereColumnViewController::opTypesForVariableType(int64_t type) {
    switch (type) {
    case 3:
    case 4:
        return {FilterEqual,    FilterGreater, FilterGreaterOrEqual, FilterLess, FilterLessOrEqual,
                FilterNotEqual, FilterIn};
    case 1:
        return {FilterEqual, FilterContains, FilterNotEqual, FilterIn};
    case 2:
        return {FilterEqual, FilterNotEqual, FilterIn};
    default:
        return {};
    }
}

void WhereColumnViewController::loadView() {
    auto root = std::make_shared<LayoutView>(ui::Rect{0, 0, 320, 300});
    root->setBackgroundColor(ui::Color::white());
    root->setIdentifier("whereColumn");
    viewHeadline_ = std::make_shared<ui::View>();
    viewHeadline_->setIdentifier("viewHeadline");
    viewHeadline_->setBackgroundColor(ui::Color::gray(0.95));
    labelColumn_ = std::make_shared<ui::Label>();
    labelColumn_->setIdentifier("labelColumn");
    labelColumn_->setFont(gfx::Font::boldSystem(22));
    labelColumnSmall_ = std::make_shared<ui::Label>();
    labelColumnSmall_->setIdentifier("labelColumnSmall");
    labelColumnSmall_->setFont(gfx::Font::boldSystem(16));
    viewHeadline_->addSubview(labelColumn_);
    viewHeadline_->addSubview(labelColumnSmall_);
    segmentOperator_ = std::make_shared<ui::SegmentedControl>();
    segmentOperator_->setIdentifier("segmentOperator");
    fieldConstant_ = ui::View::make<MLPAutoCompleteTextField>();
    fieldConstant_->setIdentifier("fieldConstant");
    fieldConstant_->setBorderStyle(ui::TextBorderStyle::Line);
    // A field made with this border from the start keeps its own text colour in the suggestions.
    fieldConstant_->setAutoCompleteTableCellTextColor(std::nullopt);
    fieldConstant_->setFont(gfx::Font::system(15));
    buttonLevels_ = makeButton("buttonLevels");
    labelPredicate_ = std::make_shared<ui::Label>();
    labelPredicate_->setIdentifier("labelPredicate");
    labelPredicate_->setFont(gfx::Font::system(14));
    // As many lines as its frame holds (two): a long column name wraps.
    labelPredicate_->setNumberOfLines(0);
    buttonApply_ = makeButton("buttonApply");
    buttonApply_->titleLabel().setFont(gfx::Font::boldSystem(17));
    buttonClear_ = makeButton("buttonClear");
    for (const auto& v : std::initializer_list<std::shared_ptr<ui::View>>{
             viewHeadline_, segmentOperator_, buttonLevels_, labelPredicate_, buttonApply_, buttonClear_,
             fieldConstant_})
        root->addSubview(v);

    segmentOperator_->addTarget(ui::ValueChanged, [this](ui::Control& c) { changeCriteria(c); });
    fieldConstant_->addTarget(ui::EditingChanged | ui::EditingDidEnd,
                              [this](ui::Control& c) { enterConstant(c); });
    fieldConstant_->addTarget(ui::EditingDidEndOnExit, [](ui::Control& c) { c.resignFirstResponder(); });
    buttonApply_->addTarget(ui::TouchUpInside, [this](ui::Control& c) { apply(c); });
    buttonClear_->addTarget(ui::TouchUpInside, [this](ui::Control& c) { clear(c); });
    buttonLevels_->addTarget(ui::TouchUpInside, [this](ui::Control& c) { chooseLevels(c); });
    tapOutside_ = std::make_shared<ui::TapGestureRecognizer>([this](ui::GestureRecognizer& g) {
        if (g.view())
            dismissKeyboard(*g.view());
    });
    tapOutside_->setDelegate(this);
    tapOutside_->setCancelsTouchesInView(false);
    root->addGestureRecognizer(tapOutside_);
    root->onLayout = [this] { layoutScreen(); };
    setView(root);
}

void WhereColumnViewController::layoutScreen() {
    const ui::Size size = view().bounds().size;
    constexpr double margin = 16;
    const double width = std::max(0.0, size.width - 2 * margin);
    viewHeadline_->setFrame({0, 0, size.width, 44});
    // The large name where there is room for it, the small one in a popover or on a phone.
    const bool wide = size.width >= 480;
    labelColumn_->setFrame({margin, 2, width, 40});
    labelColumnSmall_->setFrame({margin, 2, width, 40});
    labelColumn_->setHidden(!wide);
    labelColumnSmall_->setHidden(wide);
    segmentOperator_->setFrame({margin, 52, width, 32});
    fieldConstant_->setFrame({margin, 94, width, 32});
    buttonLevels_->setFrame({margin, 94, width, 32});
    labelPredicate_->setFrame({margin, 132, width, 40});
    buttonClear_->setFrame({margin, 180, 120, 40});
    buttonApply_->setFrame({size.width - margin - 120, 180, 120, 40});
}

void WhereColumnViewController::viewDidLoad() {
    // 1. Size and title.
    setPreferredContentSize({320, 300});
    setTitle(foundation::tr("Filter"));
    colNum_ = column_ ? column_->num() : -1;
    coordinator_ = Model::sharedModel().persistentStoreCoordinator();
    // 2. The column's name and the constant.
    const std::string name = column_ ? column_->name() : std::string();
    labelColumn_->setText(name);
    labelColumnSmall_->setText(name);
    fieldConstant_->setText(matches_.value_or(""));
    // 3. The operators of the type. A type that offers none leaves the operator unset: there is nothing
    // to apply, so nothing is taken for granted (code 0 would read "<" against any column).
    const int64_t type = column_ ? column_->type().value_or(0) : 0;
    ops_ = opTypesForVariableType(type);
    int selected = ui::SegmentedControl::NoSegment;
    auto at = opType_ ? std::find(ops_.begin(), ops_.end(), *opType_) : ops_.end();
    if (at != ops_.end()) {
        selected = int(at - ops_.begin());
    } else if (!ops_.empty()) {
        opType_ = ops_.front();
        selected = 0;
    } else {
        opType_.reset();
    }
    // 4. One segment per operator.
    segmentOperator_->removeAllSegments();
    for (size_t i = 0; i < ops_.size(); ++i)
        segmentOperator_->insertSegmentWithTitle(Model::stringForOperatorType(ops_[i]), i);
    segmentOperator_->setSelectedSegmentIndex(selected);
    // 5. Buttons.
    buttonApply_->setTitle(foundation::tr("Apply"));
    buttonClear_->setTitle(foundation::tr("Clear"));
    buttonLevels_->setTitle(foundation::tr("Choose levels..."));
    // 6. What the field asks for.
    if (type == 4) {
        fieldConstant_->setPlaceholder(foundation::tr("Please enter a date"));
        fieldConstant_->setKeyboardType(ui::KeyboardType::NumbersAndPunctuation);
    } else if (type == 3) {
        fieldConstant_->setPlaceholder(foundation::tr("Please enter a number"));
        fieldConstant_->setKeyboardType(ui::KeyboardType::NumbersAndPunctuation);
    } else {
        fieldConstant_->setPlaceholder(foundation::tr("Please enter text to match"));
        fieldConstant_->setKeyboardType(ui::KeyboardType::Default);
    }
    // 7. The suggestions.
    fieldConstant_->setAutoCompleteDataSource(
        std::shared_ptr<MLPAutoCompleteTextFieldDataSource>(shared_from_this(), this));
    fieldConstant_->setAutoCompleteTableBackgroundColor(ui::Color::white());
    fieldConstant_->setShowAutoCompleteTableWhenEditingBegins(true);
    fieldConstant_->setAutoCompleteRowHeight(25);
    fieldConstant_->setApplyBoldEffectToAutoCompleteSuggestions(true);
    fieldConstant_->setSortAutoCompleteSuggestionsByClosestMatch(false);
    fieldConstant_->setAutoCompleteTableBorderWidth(1);
    fieldConstant_->setAutoCompleteTableBorderColor(ui::Color::black().withAlpha(0.25));
}

void WhereColumnViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    showState();
}

bool WhereColumnViewController::conditionIsAbsent() const {
    if (!opType_)
        return true;
    if (*opType_ == FilterIn)
        return matchMultiple_.empty();
    return !matches_ || matches_->empty();
}

bool WhereColumnViewController::applyIsValid() {
    if (!opType_ || !column_)
        return false;
    const int64_t type = column_->type().value_or(0);
    if (type != 3 && type != 4)
        return true;
    Model& m = model_ ? *model_ : Model::sharedModel();
    auto reads = [&](const std::string& text) {
        return type == 4 ? m.dateForString(text).has_value() : m.decimalNumberForString(text).has_value();
    };
    if (*opType_ == FilterIn)
        return std::all_of(matchMultiple_.begin(), matchMultiple_.end(), reads);
    return !matches_ || matches_->empty() || reads(*matches_);
}

void WhereColumnViewController::showState() {
    if (!isViewLoaded())
        return;
    if (conditionIsAbsent()) {
        labelPredicate_->setText(foundation::tr("No filter"));
    } else {
        // The levels in code-point order, so the description reads the same each time.
        const std::string right = *opType_ == FilterIn ? joinedLevels(matchMultiple_) : *matches_;
        labelPredicate_->setText(formatText(
            foundation::tr("Browse filter: %@ %@ %@"),
            {column_ ? column_->name() : std::string(), Model::stringForOperatorType(*opType_), right}));
    }
    const bool in = opType_ == FilterIn;
    fieldConstant_->setHidden(in);
    buttonLevels_->setHidden(!in);
    buttonApply_->setEnabled(applyIsValid());
}

// --- Actions

void WhereColumnViewController::changeCriteria(ui::Control&) {
    int index = segmentOperator_->selectedSegmentIndex();
    if (index >= 0 && size_t(index) < ops_.size())
        opType_ = ops_[size_t(index)];
    showState();
}

void WhereColumnViewController::enterConstant(ui::Control&) {
    matches_ = fieldConstant_->text();
    showState();
}

void WhereColumnViewController::dismissKeyboard(ui::View&) {
    fieldConstant_->resignFirstResponder();
}

bool WhereColumnViewController::gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer&,
                                                                    const ui::Touch& touch) {
    // Taps on the field and on its suggestions are theirs.
    auto hit = touch.view.lock();
    if (!hit)
        return true;
    return !hit->isDescendantOfView(fieldConstant_.get()) &&
           !hit->isDescendantOfView(&fieldConstant_->autoCompleteTableView());
}

void WhereColumnViewController::apply(ui::Control&) {
    callDelegate();
}

void WhereColumnViewController::clear(ui::Control&) {
    matches_.reset();
    matchMultiple_.clear();
    callDelegate();
}

void WhereColumnViewController::callDelegate() {
    auto keep = shared_from_this();
    // Found before the delegate answers: a list beneath may pop the editor off its navigation, and the
    // whole popover is to close, list included.
    ViewController* presenter = presenterOfContainer(*this);
    std::shared_ptr<ViewController> keepPresenter = presenter ? presenter->shared_from_this() : nullptr;

    WhereClauseObj clause(column_ ? column_->num() : -1, opType_.value_or(FilterEqual), matches_,
                          std::vector<std::string>(matchMultiple_.begin(), matchMultiple_.end()));
    if (delegate_)
        delegate_->where(clause);
    if (presenter && presenter->presentedViewController())
        presenter->dismissViewController(true);
}

void WhereColumnViewController::chooseLevels(ui::Control&) {
    auto* nav = navigationController();
    if (!nav || !column_)
        return;
    auto chooser = std::make_shared<ColumnLevelChooser>();
    chooser->setColNum(column_->num());
    chooser->setDelegate(this);
    chooser->setSelectedLevels(matchMultiple_);
    nav->setNavigationBarHidden(false, true);
    nav->pushViewController(chooser, true);
}

void WhereColumnViewController::choseLevels(const std::set<std::string>& levels) {
    matchMultiple_ = levels;
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    showState();
}

// --- Suggestions

bool WhereColumnViewController::autoCompleteTextFieldPossibleCompletionsForStringCompletionHandler(
    MLPAutoCompleteTextField&, const std::string& string, CompletionHandler handler) {
    // On the fetch thread: only what was taken on the main thread when the view loaded is read here.
    dispatch::globalQueue(dispatch::Priority::high)
        .async([coordinator = coordinator_, colNum = colNum_, string, handler = std::move(handler)] {
            std::vector<std::string> levels;
            if (coordinator && colNum >= 0) {
                Model background;
                background.setPersistentStoreCoordinator(coordinator);
                background.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
                const std::string wanted = caseFolded(string);
                if (auto column = background.columnNumber(uint64_t(colNum)))
                    for (const auto& [level, count] : background.frequenciesOfColumn(*column))
                        if (string.empty() || caseFolded(level).find(wanted) != std::string::npos)
                            levels.push_back(level);
            }
            std::sort(levels.begin(), levels.end());
            handler(AutoCompleteSuggestions(levels.begin(), levels.end()));
        });
    return true;
}
