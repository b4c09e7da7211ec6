#pragma once
// A render system that draws nothing, for a headless scene manager whose scene
// step asks for shadows: the scene manager reads its capabilities (stencil
// shadows need a hardware stencil) and its buffers come from system memory.
// The base's destructor frees the capabilities.
#include <Ogre.h>

namespace testsupport {

class StubRenderSystem : public Ogre::RenderSystem {
public:
    StubRenderSystem()
    {
        mCurrentCapabilities = createRenderSystemCapabilities();
        mRealCapabilities = mCurrentCapabilities;
    }
    const Ogre::String& getName() const override
    {
        static const Ogre::String name = "Stub Rendering Subsystem";
        return name;
    }
    void setConfigOption(const Ogre::String&, const Ogre::String&) override {}
    Ogre::HardwareOcclusionQuery* createHardwareOcclusionQuery() override { return nullptr; }
    Ogre::String validateConfigOptions() override { return ""; }
    Ogre::RenderSystemCapabilities* createRenderSystemCapabilities() const override
    {
        auto* caps = new Ogre::RenderSystemCapabilities();
        caps->setCapability(Ogre::RSC_HWSTENCIL);
        caps->setStencilBufferBitDepth(8);
        caps->setNumTextureUnits(8);
        return caps;
    }
    Ogre::MultiRenderTarget* createMultiRenderTarget(const Ogre::String&) override { return nullptr; }
    void _setSampler(size_t, Ogre::Sampler&) override {}
    void _setTexture(size_t, bool, const Ogre::TexturePtr&) override {}
    void setColourBlendState(const Ogre::ColourBlendState&) override {}
    void _setAlphaRejectSettings(Ogre::CompareFunction, unsigned char, bool) override {}
    Ogre::DepthBuffer* _createDepthBufferFor(Ogre::RenderTarget*) override { return nullptr; }
    void _endFrame() override {}
    void _setViewport(Ogre::Viewport*) override {}
    void _setCullingMode(Ogre::CullingMode) override {}
    void _setDepthBufferParams(bool, bool, Ogre::CompareFunction) override {}
    void _setDepthBias(float, float) override {}
    void _convertProjectionMatrix(const Ogre::Matrix4& matrix, Ogre::Matrix4& dest, bool) override { dest = matrix; }
    void _setPolygonMode(Ogre::PolygonMode) override {}
    void setStencilCheckEnabled(bool) override {}
    void setStencilBufferParams(Ogre::CompareFunction, Ogre::uint32, Ogre::uint32, Ogre::uint32,
                                Ogre::StencilOperation, Ogre::StencilOperation, Ogre::StencilOperation, bool,
                                bool) override
    {
    }
    void bindGpuProgramParameters(Ogre::GpuProgramType, const Ogre::GpuProgramParametersPtr&, Ogre::uint16) override {}
    void setScissorTest(bool, const Ogre::Rect&) override {}
    void clearFrameBuffer(unsigned int, const Ogre::ColourValue&, Ogre::Real, unsigned short) override {}
    Ogre::Real getHorizontalTexelOffset() override { return 0; }
    Ogre::Real getVerticalTexelOffset() override { return 0; }
    Ogre::Real getMinimumDepthInputValue() override { return -1; }
    Ogre::Real getMaximumDepthInputValue() override { return 1; }
    void _setRenderTarget(Ogre::RenderTarget*) override {}
    void beginProfileEvent(const Ogre::String&) override {}
    void endProfileEvent() override {}
    void markProfileEvent(const Ogre::String&) override {}
    void initialiseFromRenderSystemCapabilities(Ogre::RenderSystemCapabilities*, Ogre::RenderTarget*) override {}
};

}  // namespace testsupport
