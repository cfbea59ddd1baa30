// What the benchmarks' hand-written GL halves share: their context, the constant ring and the
// offscreen target.
#pragma once

#include <cstdint>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

// A GL 4.5 core context on `display` (without a surface) with robust buffer access and lose-on-
// reset notification, the context the Direct3D 11 layer asks for; on a driver without robust
// contexts, a plain core context, as the layer then makes. EGL_NO_CONTEXT when neither comes.
// The OpenGL API must be bound (eglBindAPI) first.
EGLContext CreateCoreContext(EGLDisplay display);

// One persistently mapped, coherent uniform buffer of 4096 slots of 256 bytes, taken in turn, so
// that every draw gets constants of its own without a buffer update call. The ring is split into
// four segments; when the writes move into a segment, they first wait for a fence set when the
// GPU was last given work from it, so no slot is overwritten while a draw may still read it.
class GlConstantRing {
  public:
    static constexpr int Slots = 4096, SlotSize = 256, Segments = 4;

    // Makes and maps the buffer in the current context; false when it cannot be mapped.
    bool Create();
    // The byte offset of the next slot, once the GPU is done with it.
    GLintptr NextSlot();
    // Where the slot at `offset` is written.
    uint8_t* Memory(GLintptr offset) const { return memory_ + offset; }
    GLuint Buffer() const { return buffer_; }
    // Deletes the fences, unmaps and deletes the buffer; the context must be current.
    void Release();

  private:
    GLuint buffer_ = 0;
    uint8_t* memory_ = nullptr;
    int slot_ = 0;
    GLsync fences_[Segments] = {};
};

// An RGBA8 colour texture and a 32-bit float depth, 8-bit stencil texture of one size, attached
// to one framebuffer.
struct GlTarget {
    GLuint color = 0, depth = 0, framebuffer = 0;

    // In the current context; the framebuffer is not bound.
    void Create(int width, int height);
    void Release();
};
