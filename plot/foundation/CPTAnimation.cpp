// The animation engine's queue, tick and application of values, single-threaded on the main queue.
#include "plot/foundation/CPTAnimation.h"

#include "platform/foundation/Dispatch.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>

namespace {

constexpr double kTick = 1.0 / 60.0;

// What a tick leaves to do after its pass: tell a delegate of a cancellation, or apply a value.
struct Pending {
    std::shared_ptr<CPTAnimationOperation> cancelled;
    std::optional<CPTAnimationParameters> parameters;
};

bool sameProperty(const CPTAnimationOperation& a, const CPTAnimationOperation& b) {
    return a.boundObject() == b.boundObject() && a.boundGetter() == b.boundGetter() &&
           a.boundSetter() == b.boundSetter();
}

template <class Period>
std::shared_ptr<CPTAnimationOperation> animateWith(const std::shared_ptr<CPTAnimatable>& object,
                                                   std::string_view property, Period&& period, CPTAnimationCurve curve,
                                                   const std::shared_ptr<CPTAnimationDelegate>& delegate) {
    return CPTAnimation::animate(object, property, std::forward<Period>(period), curve, delegate);
}

} // namespace

// --- operation

CPTAnimationOperation::CPTAnimationOperation()
    : CPTAnimationOperation(std::make_shared<CPTAnimationPeriod>(), CPTAnimationCurveDefault, nullptr, "init") {
    boundSetter_ = "init";
}

CPTAnimationOperation::CPTAnimationOperation(std::shared_ptr<CPTAnimationPeriod> period, CPTAnimationCurve curve,
                                             std::shared_ptr<CPTAnimatable> object, std::string property)
    : period_(std::move(period)), animationCurve_(curve), boundObject_(std::move(object)),
      boundGetter_(std::move(property)), boundSetter_(CPTAnimation::setterFromProperty(boundGetter_)) {}

void CPTAnimationOperation::setDelegate(const std::shared_ptr<CPTAnimationDelegate>& delegate) {
    delegate_ = delegate;
    hasDelegate_ = delegate != nullptr;
}

std::string CPTAnimationOperation::description() const {
    const std::string object = boundObject_ ? boundObject_->animationDescription() : "(null)";
    const std::string period = period_ ? period_->description() : "(null)";
    return "<" + CPTObjectDescription("CPTAnimationOperation", this) + " animate " + object + " " + boundGetter_ +
           " with period " + period + ">";
}

// --- engine

CPTAnimation::CPTAnimation() = default;

// Nothing is sent at the end: delegates may be gone before the engine is.
CPTAnimation::~CPTAnimation() { cancelTimer(); }

CPTAnimation& CPTAnimation::sharedInstance() {
    static CPTAnimation* engine = new CPTAnimation(); // lives as long as the process; never destroyed
    return *engine;
}

std::shared_ptr<CPTAnimationOperation> CPTAnimation::animate(const std::shared_ptr<CPTAnimatable>& object,
                                                             std::string_view property,
                                                             const std::shared_ptr<CPTAnimationPeriod>& period,
                                                             CPTAnimationCurve curve,
                                                             const std::shared_ptr<CPTAnimationDelegate>& delegate) {
    auto operation = std::make_shared<CPTAnimationOperation>(period, curve, object, std::string(property));
    operation->setDelegate(delegate);
    return sharedInstance().addAnimationOperation(operation);
}

std::string CPTAnimation::setterFromProperty(std::string_view property) {
    std::string name(property);
    if (!name.empty())
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return "set" + name + ":";
}

#define CPT_ANIMATE_FULL_FORM(Type, factory)                                                                  \
    std::shared_ptr<CPTAnimationOperation> CPTAnimation::animate(                                            \
        const std::shared_ptr<CPTAnimatable>& object, std::string_view property, Type from, Type to,         \
        double duration, double delay, CPTAnimationCurve curve,                                              \
        const std::shared_ptr<CPTAnimationDelegate>& delegate) {                                             \
        return animateWith(object, property, CPTAnimationPeriod::factory(from, to, duration, delay), curve,  \
                           delegate);                                                                        \
    }

CPT_ANIMATE_FULL_FORM(CGFloat, periodWithStart)
CPT_ANIMATE_FULL_FORM(CGPoint, periodWithStartPoint)
CPT_ANIMATE_FULL_FORM(CGSize, periodWithStartSize)
CPT_ANIMATE_FULL_FORM(const CGRect&, periodWithStartRect)
CPT_ANIMATE_FULL_FORM(NSDecimal, periodWithStartDecimal)
CPT_ANIMATE_FULL_FORM(const foundation::Value&, periodWithStartNumber)
CPT_ANIMATE_FULL_FORM(const std::shared_ptr<CPTPlotRange>&, periodWithStartPlotRange)

#undef CPT_ANIMATE_FULL_FORM

std::shared_ptr<CPTAnimationOperation>
CPTAnimation::addAnimationOperation(const std::shared_ptr<CPTAnimationOperation>& operation) {
    if (!operation)
        return operation;
    const auto& period = operation->period();
    const bool changes = operation->boundObject() && period && !period->startEqualsEnd();
    if (operation->hasDelegate() || changes) {
        operations_.push_back(operation);
        if (!timer_)
            startTimer();
    }
    return operation;
}

void CPTAnimation::removeAnimationOperation(const std::shared_ptr<CPTAnimationOperation>& operation) {
    if (operation)
        operation->setCanceled(true);
}

void CPTAnimation::removeAllAnimationOperations() {
    for (const auto& operation : operations_)
        operation->setCanceled(true);
}

std::shared_ptr<CPTAnimationOperation> CPTAnimation::operationWithIdentifier(const foundation::Value& identifier) const {
    for (const auto& operation : operations_) {
        if (operation->identifier() == identifier)
            return operation;
    }
    return nullptr;
}

CPTTimingFunction CPTAnimation::timingFunctionForAnimationCurve(CPTAnimationCurve curve) const {
    if (curve == CPTAnimationCurveDefault)
        curve = defaultAnimationCurve_;
    if (curve < 1 || curve > static_cast<std::int64_t>(CPTTimingFunctionTable.size()))
        return nullptr;
    return CPTTimingFunctionTable[static_cast<std::size_t>(curve - 1)];
}

void CPTAnimation::startTimer() {
    timer_ = std::make_unique<dispatch::TimerSource>(dispatch::mainQueue(), kTick, [this] { update(); });
    timer_->resume();
}

void CPTAnimation::cancelTimer() {
    if (timer_)
        timer_->cancel();
    timer_.reset();
}

void CPTAnimation::update() {
    timeOffset_ += kTick;
    const double now = timeOffset_;
    std::vector<std::shared_ptr<CPTAnimationOperation>> expired;
    std::vector<Pending> pending;

    // One pass works out what to do; nothing is applied until the pass is over, so setters and
    // delegates that queue or cancel animations never change the list being walked.
    for (const auto& operation : operations_) {
        const auto& period = operation->period();
        const auto& object = operation->boundObject();
        double startTime = std::numeric_limits<double>::quiet_NaN();
        try {
            if (!operation->isCanceled() && period) {
                if (std::isnan(period->delay())) {
                    if (object && period->canStartWithValueFromObject(*object, operation->boundGetter())) {
                        period->setDelay(now - period->startOffset());
                        startTime = now;
                    }
                } else {
                    startTime = period->startOffset() + period->delay();
                }
            }
        } catch (const std::exception&) {
            operation->setCanceled(true);
        }
        if (operation->isCanceled()) {
            expired.push_back(operation);
            pending.push_back(Pending{operation, std::nullopt});
            continue;
        }
        if (std::isnan(startTime) || startTime > now)
            continue;
        const CPTTimingFunction timing = timingFunctionForAnimationCurve(operation->animationCurve());
        if (!object || !timing)
            continue;

        const bool started = std::find(running_.begin(), running_.end(), operation) == running_.end();
        if (started) {
            // A new animation of a property replaces the older ones.
            for (const auto& other : running_) {
                if (sameProperty(*other, *operation))
                    other->setCanceled(true);
            }
            running_.push_back(operation);
        }
        if (operation->isCanceled())
            continue;

        CPTAnimationParameters parameters;
        parameters.operation = operation;
        parameters.started = started;
        try {
            if (std::holds_alternative<std::monostate>(period->startValue()))
                period->setStartValueFromObject(*object, operation->boundGetter());
            const double duration = period->duration();
            // A duration that is not a number ends the animation at once. The finishing tick applies
            // the end value: a period of duration 0 that waited for its start has elapsed 0 there,
            // where the curves give 0.
            const bool finished = now >= startTime + duration || std::isnan(duration);
            double progress = finished ? 1 : timing(now - startTime, duration);
            if (std::isnan(progress))
                progress = 1;
            parameters.value = period->tweenedValueForProgress(progress);
            parameters.finished = finished ? 1 : 0;
        } catch (const std::exception&) {
            operation->setCanceled(true);
            continue;
        }
        if (period->valueClass() != CPTAnimationPeriod::ValueClass::none)
            parameters.valueClass = period->valueClass();
        if (parameters.finished)
            expired.push_back(operation);
        pending.push_back(Pending{nullptr, std::move(parameters)});
    }

    auto isExpired = [&expired](const std::shared_ptr<CPTAnimationOperation>& operation) {
        return std::find(expired.begin(), expired.end(), operation) != expired.end();
    };
    std::erase_if(running_, isExpired);
    std::erase_if(operations_, isExpired);
    if (operations_.empty())
        cancelTimer();

    for (const auto& item : pending) {
        if (item.cancelled) {
            if (auto delegate = item.cancelled->delegate())
                delegate->animationCancelled(*item.cancelled);
            continue;
        }
        updateWithParameters(*item.parameters);
    }
}

void CPTAnimation::updateWithParameters(const CPTAnimationParameters& parameters) {
    CPTAnimationOperation& operation = *parameters.operation;
    if (operation.isCanceled())
        return;
    try {
        auto delegate = operation.delegate();
        if (parameters.started && delegate)
            delegate->animationDidStart(operation);
        if (delegate)
            delegate->animationWillUpdate(operation);
        CPTRequireAnimationProperty(*operation.boundObject(), operation.boundGetter()).set(parameters.value);
        delegate = operation.delegate();
        if (delegate)
            delegate->animationDidUpdate(operation);
        if (parameters.finished && delegate)
            delegate->animationDidFinish(operation);
    } catch (const std::exception&) {
        // Removed by the next tick, which tells the delegate.
        operation.setCanceled(true);
    }
}

std::string CPTAnimation::description() const {
    return "<" + CPTObjectDescription("CPTAnimation", this) + " timeOffset: " + CPTFormatGeneral(timeOffset_) +
           "; " + std::to_string(operations_.size()) + " active and " + std::to_string(running_.size()) +
           " running operations>";
}
