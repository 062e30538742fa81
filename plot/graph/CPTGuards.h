// Scope guards that pair every save with its restore, so a drawing that stops half-way (a framework
// exception) leaves contexts and layers as it found them.
#pragma once

#include "platform/graphics/Context.h"

// saveGState now, restoreGState at the end of the scope.
class CPTGStateGuard {
  public:
    explicit CPTGStateGuard(gfx::Context& ctx) : ctx_(ctx) { ctx_.saveGState(); }
    ~CPTGStateGuard() { ctx_.restoreGState(); }
    CPTGStateGuard(const CPTGStateGuard&) = delete;
    CPTGStateGuard& operator=(const CPTGStateGuard&) = delete;

  private:
    gfx::Context& ctx_;
};

// beginTransparencyLayer now, endTransparencyLayer at the end of the scope.
class CPTTransparencyLayerGuard {
  public:
    explicit CPTTransparencyLayerGuard(gfx::Context& ctx) : ctx_(ctx) { ctx_.beginTransparencyLayer(); }
    ~CPTTransparencyLayerGuard() { ctx_.endTransparencyLayer(); }
    CPTTransparencyLayerGuard(const CPTTransparencyLayerGuard&) = delete;
    CPTTransparencyLayerGuard& operator=(const CPTTransparencyLayerGuard&) = delete;

  private:
    gfx::Context& ctx_;
};

// Sets a flag for the scope and puts its old value back after.
class CPTFlagGuard {
  public:
    CPTFlagGuard(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    ~CPTFlagGuard() { flag_ = old_; }
    CPTFlagGuard(const CPTFlagGuard&) = delete;
    CPTFlagGuard& operator=(const CPTFlagGuard&) = delete;

  private:
    bool& flag_;
    bool old_;
};
