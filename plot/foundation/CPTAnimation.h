// The animation engine: animates one named property of an object by setting tweened values on every
// tick of a 1/60 s main-queue timer until the period's duration has passed on the engine's own clock.
// Everything runs on the main thread; the timer runs only while operations are queued.
#pragma once

#include "plot/foundation/CPTAnimationPeriod.h"
#include "plot/foundation/CPTTimingFunctions.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dispatch {
class TimerSource;
}

class CPTAnimationOperation;

// Every operation is optional; the defaults do nothing.
class CPTAnimationDelegate {
  public:
    virtual ~CPTAnimationDelegate() = default;
    virtual void animationDidStart(CPTAnimationOperation& operation) {}
    virtual void animationWillUpdate(CPTAnimationOperation& operation) {}
    virtual void animationDidUpdate(CPTAnimationOperation& operation) {}
    virtual void animationDidFinish(CPTAnimationOperation& operation) {}
    virtual void animationCancelled(CPTAnimationOperation& operation) {}
};

// One queued animation of one property of one object.
class CPTAnimationOperation {
  public:
    // A default period, curve 0, and no object: never applied.
    CPTAnimationOperation();
    CPTAnimationOperation(std::shared_ptr<CPTAnimationPeriod> period, CPTAnimationCurve curve,
                          std::shared_ptr<CPTAnimatable> object, std::string property);

    const std::shared_ptr<CPTAnimationPeriod>& period() const { return period_; }
    CPTAnimationCurve animationCurve() const { return animationCurve_; }
    // Held shared: the object stays alive while the operation lives.
    const std::shared_ptr<CPTAnimatable>& boundObject() const { return boundObject_; }
    // The property's name, which is also its getter's; the setter is named by setterFromProperty.
    const std::string& boundGetter() const { return boundGetter_; }
    const std::string& boundSetter() const { return boundSetter_; }
    // Held weakly: a delegate that has gone gets nothing.
    std::shared_ptr<CPTAnimationDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTAnimationDelegate>& delegate);
    bool hasDelegate() const { return hasDelegate_; }
    bool isCanceled() const { return canceled_; }
    void setCanceled(bool value) { canceled_ = value; }
    const foundation::Value& identifier() const { return identifier_; }
    void setIdentifier(const foundation::Value& value) { identifier_ = value; }
    const foundation::Value::Dictionary& userInfo() const { return userInfo_; }
    void setUserInfo(foundation::Value::Dictionary value) { userInfo_ = std::move(value); }

    // "<<CPTAnimationOperation: 0x...> animate <object> property with period <period>>"
    std::string description() const;

  private:
    std::shared_ptr<CPTAnimationPeriod> period_;
    CPTAnimationCurve animationCurve_ = CPTAnimationCurveDefault;
    std::shared_ptr<CPTAnimatable> boundObject_;
    std::string boundGetter_;
    std::string boundSetter_;
    std::weak_ptr<CPTAnimationDelegate> delegate_;
    bool hasDelegate_ = false;
    bool canceled_ = false;
    foundation::Value identifier_;
    foundation::Value::Dictionary userInfo_;
};

// What one tick applies for one operation, under these keys.
inline constexpr const char* CPTAnimationOperationKey = "CPTAnimationOperationKey";
inline constexpr const char* CPTAnimationValueKey = "CPTAnimationValueKey";
inline constexpr const char* CPTAnimationValueClassKey = "CPTAnimationValueClassKey";
inline constexpr const char* CPTAnimationStartedKey = "CPTAnimationStartedKey";
inline constexpr const char* CPTAnimationFinishedKey = "CPTAnimationFinishedKey";

struct CPTAnimationParameters {
    std::shared_ptr<CPTAnimationOperation> operation;
    CPTAnimationValue value;
    // None where the period passes values by value.
    std::optional<CPTAnimationPeriod::ValueClass> valueClass;
    bool started = false;
    // 1 once the clock has reached the end of the period, else 0.
    std::int64_t finished = 0;
};

class CPTAnimation {
  public:
    CPTAnimation();
    ~CPTAnimation();
    CPTAnimation(const CPTAnimation&) = delete;
    CPTAnimation& operator=(const CPTAnimation&) = delete;

    static CPTAnimation& sharedInstance();

    // The engine's clock: +1/60 s per tick, never reset.
    double timeOffset() const { return timeOffset_; }
    CPTAnimationCurve defaultAnimationCurve() const { return defaultAnimationCurve_; }
    void setDefaultAnimationCurve(CPTAnimationCurve curve) { defaultAnimationCurve_ = curve; }
    const std::vector<std::shared_ptr<CPTAnimationOperation>>& animationOperations() const { return operations_; }
    const std::vector<std::shared_ptr<CPTAnimationOperation>>& runningAnimationOperations() const {
        return running_;
    }
    // Whether the tick's timer runs.
    bool hasTimer() const { return timer_ != nullptr; }

    // Makes an operation and queues it on the shared engine; the operation is answered even when it
    // is not queued.
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property,
                                                          const std::shared_ptr<CPTAnimationPeriod>& period,
                                                          CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    // "bounds" gives "setBounds:".
    static std::string setterFromProperty(std::string_view property);

    // Per value kind: the full form, the form without delay, and the form with the duration alone.
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGFloat from, CGFloat to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGFloat from, CGFloat to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGFloat from, CGFloat to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGPoint from, CGPoint to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGPoint from, CGPoint to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGPoint from, CGPoint to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGSize from, CGSize to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGSize from, CGSize to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, CGSize from, CGSize to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const CGRect& from, const CGRect& to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const CGRect& from, const CGRect& to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const CGRect& from, const CGRect& to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, NSDecimal from, NSDecimal to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, NSDecimal from, NSDecimal to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, NSDecimal from, NSDecimal to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const foundation::Value& from, const foundation::Value& to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const foundation::Value& from, const foundation::Value& to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const foundation::Value& from, const foundation::Value& to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const std::shared_ptr<CPTPlotRange>& from, const std::shared_ptr<CPTPlotRange>& to,
                                                          double duration, double delay, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate);
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const std::shared_ptr<CPTPlotRange>& from, const std::shared_ptr<CPTPlotRange>& to,
                                                          double duration, CPTAnimationCurve curve,
                                                          const std::shared_ptr<CPTAnimationDelegate>& delegate) {
        return animate(object, property, from, to, duration, 0.0, curve, delegate);
    }
    static std::shared_ptr<CPTAnimationOperation> animate(const std::shared_ptr<CPTAnimatable>& object,
                                                          std::string_view property, const std::shared_ptr<CPTPlotRange>& from, const std::shared_ptr<CPTPlotRange>& to,
                                                          double duration) {
        return animate(object, property, from, to, duration, 0.0, CPTAnimationCurveDefault, nullptr);
    }
    // Queues the operation when it has a delegate, or an object and a start that differs from its end
    // (a missing start differs). Answers the operation either way.
    std::shared_ptr<CPTAnimationOperation> addAnimationOperation(const std::shared_ptr<CPTAnimationOperation>& operation);
    // Cancellation takes effect at once; the next tick removes the operation and tells its delegate.
    void removeAnimationOperation(const std::shared_ptr<CPTAnimationOperation>& operation);
    void removeAllAnimationOperations();
    std::shared_ptr<CPTAnimationOperation> operationWithIdentifier(const foundation::Value& identifier) const;
    // 0 takes the default curve; 1-31 the table; anything else none.
    CPTTimingFunction timingFunctionForAnimationCurve(CPTAnimationCurve curve) const;

    // One tick of the timer: advance the clock, work out every operation's value, then apply them.
    void update();

    // "<<CPTAnimation: 0x...> timeOffset: 0.5; 2 active and 1 running operations>"
    std::string description() const;

  private:
    void startTimer();
    void cancelTimer();
    void updateWithParameters(const CPTAnimationParameters& parameters);

    double timeOffset_ = 0;
    CPTAnimationCurve defaultAnimationCurve_ = CPTAnimationCurveLinear;
    std::vector<std::shared_ptr<CPTAnimationOperation>> operations_;
    std::vector<std::shared_ptr<CPTAnimationOperation>> running_;
    std::unique_ptr<dispatch::TimerSource> timer_;
};
