// The benchmarks' GL constant ring (slots taken in turn, segments fenced) and offscreen target.
#include "BenchGl.h"

bool GlConstantRing::Create()
{
    const GLbitfield flags = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
    glCreateBuffers(1, &buffer_);
    glNamedBufferStorage(buffer_, Slots * SlotSize, nullptr, flags);
    memory_ = static_cast<uint8_t*>(glMapNamedBufferRange(buffer_, 0, Slots * SlotSize, flags));
    return memory_ != nullptr;
}

GLintptr GlConstantRing::NextSlot()
{
    const int perSegment = Slots / Segments;
    const int next = (slot_ + 1) % Slots;
    if (next % perSegment == 0) {
        const int leaving = slot_ / perSegment, entering = next / perSegment;
        if (fences_[leaving]) glDeleteSync(fences_[leaving]);
        fences_[leaving] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        if (fences_[entering]) {
            glClientWaitSync(fences_[entering], GL_SYNC_FLUSH_COMMANDS_BIT, GLuint64(-1));
            glDeleteSync(fences_[entering]);
            fences_[entering] = nullptr;
        }
    }
    slot_ = next;
    return GLintptr(slot_) * SlotSize;
}

void GlConstantRing::Release()
{
    for (GLsync& fence : fences_) {
        if (fence) glDeleteSync(fence);
        fence = nullptr;
    }
    if (buffer_) {
        glUnmapNamedBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
    buffer_ = 0;
    memory_ = nullptr;
    slot_ = 0;
}

void GlTarget::Create(int width, int height)
{
    glCreateTextures(GL_TEXTURE_2D, 1, &color);
    glTextureStorage2D(color, 1, GL_RGBA8, width, height);
    glCreateTextures(GL_TEXTURE_2D, 1, &depth);
    glTextureStorage2D(depth, 1, GL_DEPTH32F_STENCIL8, width, height);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, color, 0);
    glNamedFramebufferTexture(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, depth, 0);
}

void GlTarget::Release()
{
    glDeleteTextures(1, &color);
    glDeleteTextures(1, &depth);
    glDeleteFramebuffers(1, &framebuffer);
    color = depth = framebuffer = 0;
}

EGLContext CreateCoreContext(EGLDisplay display)
{
    // clang-format off
    const EGLint robust[] = {
        EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
        EGL_CONTEXT_OPENGL_ROBUST_ACCESS, EGL_TRUE,
        EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY, EGL_LOSE_CONTEXT_ON_RESET,
        EGL_NONE};
    const EGLint plain[] = {
        EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
        EGL_NONE};
    // clang-format on
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, robust);
    if (context == EGL_NO_CONTEXT) context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, plain);
    return context;
}
