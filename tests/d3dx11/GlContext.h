// A headless OpenGL 4.5 core context for tests: EGL on Mesa's surfaceless platform, no display.
#pragma once

#include <string>

class GlContext {
  public:
    GlContext();
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

  private:
    void* display_ = nullptr;
    void* context_ = nullptr;
    std::string error_;
};
