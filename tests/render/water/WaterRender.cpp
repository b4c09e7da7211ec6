// Draws the water layer in a real window (Mesa's software GL under Xvfb), takes
// screenshots and checks them:
//   water_render lake    the water programs' road (HydraxGrid over water at
//                        rest, the lake's light, camera and sky box, a depth
//                        technique on the ground's material): blue-green water,
//                        the ground still drawn by its own technique
//   water_render ripple  the same water after drops, with the sun low ahead:
//                        blue-green water with highlights
//   water_render ocean   the projected grid from the island demo's camera: the
//                        sea reaches the horizon, and the waves move
//   water_render island  the island demo's scene without its palms: the island
//                        (the terrain scene manager's "Island.cfg") in the sea,
//                        still drawn by its own material with the layer's depth
//                        technique added
// Writes <scene>*.png into the working directory, prints the frame rate, and
// ends with 0 when the checks pass (1 with the reason on standard error).
#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/HydraxGrid.h"
#include "frame/PlayerCamera.h"
#include "frame/WaterShell.h"
#include "platform/hydrax/Hydrax.h"
#include "programs/seaview/SeaScene.h"
#include "sim/water/WaterSimulator.h"

namespace {

const int WIDTH = 800, HEIGHT = 600;
const float FRAME_TIME = 1.0f / 60.0f;

struct Failure {
    std::string reason;
};

void check(bool condition, const std::string& reason)
{
    if (!condition) throw Failure{reason};
}

class Window {
public:
    explicit Window(const char* sceneType)
    {
        mLog.reset(new Ogre::LogManager());
        mLog->createLog("Ogre.log", true, false, false);
        mRoot.reset(new Ogre::Root("plugins.cfg", "", "Ogre.log"));
        Ogre::RenderSystem* gl = mRoot->getRenderSystemByName("OpenGL Rendering Subsystem");
        check(gl != nullptr, "no GL render system");
        gl->setConfigOption("Full Screen", "No");
        gl->setConfigOption("Video Mode", "800 x 600");
        gl->setConfigOption("VSync", "No");
        mRoot->setRenderSystem(gl);
        mWindow = mRoot->initialise(true, "Marrowfield - Water Render");
        Ogre::ConfigFile resources;
        resources.load("resources.cfg", "\t:=", true);
        for (const auto& section : resources.getSettingsBySection())
            for (const auto& entry : section.second)
                Ogre::ResourceGroupManager::getSingleton().addResourceLocation(entry.second, entry.first,
                                                                               section.first);
        mScene = mRoot->createSceneManager(sceneType);
        mCamera = mScene->createCamera("PlayerCam");
        Ogre::Viewport* viewport = mWindow->addViewport(mCamera);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);
        mCamera->setAspectRatio(Ogre::Real(viewport->getActualWidth()) / viewport->getActualHeight());
        Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
    }
    ~Window()
    {
        mRoot.reset();
        mLog.reset();
    }

    // Renders frames, each after `step`; returns the frame rate.
    template <class Step>
    double render(int frames, Step step)
    {
        Ogre::Timer timer;
        for (int i = 0; i < frames; ++i) {
            step();
            mRoot->renderOneFrame(FRAME_TIME);
        }
        return frames / (timer.getMicroseconds() * 1e-6);
    }

    Ogre::Image screenshot(const std::string& file)
    {
        Ogre::Image image(Ogre::PF_BYTE_RGB, WIDTH, HEIGHT);
        mWindow->copyContentsToMemory(Ogre::Box(0, 0, WIDTH, HEIGHT), image.getPixelBox());
        image.save(file);
        return image;
    }

    std::unique_ptr<Ogre::LogManager> mLog;
    std::unique_ptr<Ogre::Root> mRoot;
    Ogre::RenderWindow* mWindow = nullptr;
    Ogre::SceneManager* mScene = nullptr;
    Ogre::Camera* mCamera = nullptr;
};

struct Region {
    int x0, y0, x1, y1;
};

struct Statistics {
    Ogre::ColourValue mean;
    double brightnessDeviation;
    double blueGreenShare;  // of the pixels
    int bright;             // near-white pixels (the water itself has little red)
};

double brightness(const Ogre::ColourValue& c) { return (c.r + c.g + c.b) / 3.0; }

bool blueGreen(const Ogre::ColourValue& c) { return c.g > c.r + 0.08f && c.b > c.r + 0.08f && c.g > 0.15f; }

Statistics measure(const Ogre::Image& image, const Region& r)
{
    double sr = 0, sg = 0, sb = 0, s = 0, s2 = 0;
    const int count = (r.x1 - r.x0) * (r.y1 - r.y0);
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const Ogre::ColourValue c = image.getColourAt(x, y, 0);
            sr += c.r;
            sg += c.g;
            sb += c.b;
            s += brightness(c);
            s2 += brightness(c) * brightness(c);
        }
    Statistics st;
    st.mean = Ogre::ColourValue(float(sr / count), float(sg / count), float(sb / count));
    const double mean = s / count;
    st.brightnessDeviation = std::sqrt(std::fmax(0.0, s2 / count - mean * mean));
    st.bright = 0;
    int blueGreenPixels = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const Ogre::ColourValue c = image.getColourAt(x, y, 0);
            if (brightness(c) > 0.75 && c.r > 0.7) ++st.bright;
            blueGreenPixels += blueGreen(c);
        }
    st.blueGreenShare = double(blueGreenPixels) / count;
    return st;
}

std::string describe(const Statistics& s)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "mean colour (%.3f, %.3f, %.3f), brightness deviation %.3f, %.0f%% blue-green, %d highlight pixels",
                  s.mean.r, s.mean.g, s.mean.b, s.brightnessDeviation, 100 * s.blueGreenShare, s.bright);
    return text;
}

// The lake programs' scene around a water grid: a camera as the lake demo's, a
// sandy ground below the water whose material gets the layer's depth
// technique, and the water programs' own light, sky box and water layer.
struct LakeScene {
    LakeScene(Window& w, const Ogre::Vector3& sun) : window(w)
    {
        Ogre::SceneManager* scene = w.mScene;
        Ogre::Camera* camera = w.mCamera;
        camera->setPosition(Ogre::Vector3(-30, 25, -30));
        camera->lookAt(Ogre::Vector3(0, 8, 0));
        camera->setNearClipDistance(0.5f);
        camera->setFarClipDistance(FAR_CLIP_DISTANCE);

        Ogre::MaterialPtr sand = Ogre::MaterialManager::getSingleton().create("Test/Sand", "General");
        Ogre::Pass* pass = sand->getTechnique(0)->getPass(0);
        pass->setAmbient(0.76f, 0.66f, 0.45f);
        pass->setDiffuse(0.76f, 0.66f, 0.45f, 1.0f);
        Ogre::MeshManager::getSingleton().createPlane("Test/Ground", "General", Ogre::Plane(Ogre::Vector3::UNIT_Y, 0),
                                                      300, 300, 10, 10, true, 1, 1, 1, Ogre::Vector3::UNIT_Z);
        Ogre::Entity* ground = scene->createEntity("Ground", "Test/Ground");
        ground->setMaterialName("Test/Sand");
        scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 5, 0))->attachObject(ground);

        createWaterLighting(scene, true);

        water.reset(new physics::water::WaterSimulator(nullptr, 50.0f, 10.0f, 65));
        bool configured = false;
        hydrax = createWaterLayer(scene, camera, w.mWindow->getViewport(0), water.get(), 65, 50, sand.get(), configured);
        check(configured, "WaterTest2.hdx was not read");
        hydrax->setSunPosition(sun);
    }
    ~LakeScene() { delete hydrax; }

    // The water programs' frame step after the water's.
    void frame()
    {
        placeWaterLayer(*hydrax, *water);
        hydrax->update(FRAME_TIME);
        hydrax->update(FRAME_TIME);
    }

    Window& window;
    std::unique_ptr<physics::water::WaterSimulator> water;
    Hydrax::Hydrax* hydrax = nullptr;
};

// The middle of the screen, where the lake camera sees only water.
const Region WATER{250, 300, 550, 420};
// Beyond the water's far edges and below the ground's horizon: only ground.
const Region GROUND{360, 115, 440, 140};

void lake(Window& w)
{
    LakeScene scene(w, Ogre::Vector3(0, 40000, 0));
    const double fps = w.render(120, [&] { scene.frame(); });
    const Ogre::Image shot = w.screenshot("lake.png");
    const Statistics water = measure(shot, WATER), ground = measure(shot, GROUND);
    std::printf("lake: %.1f frames per second; water %s; ground %s\n", fps, describe(water).c_str(),
                describe(ground).c_str());
    check(blueGreen(water.mean) && water.blueGreenShare > 0.8, "the water is not blue-green: " + describe(water));
    check(ground.mean.r > ground.mean.b + 0.1f, "the ground is not drawn with its own technique: " + describe(ground));
    check(scene.hydrax->getMaterialManager()->getSkyReflectionTexture() == "clubtropicana.png",
          "the water does not reflect the sky box");
}

void ripple(Window& w)
{
    // The sun low, ahead and to the left of the camera: its glitter lies on the
    // left of the water, the right shows the water's own colour.
    const Ogre::Vector3 sun(8400, 3750, 3920);
    LakeScene scene(w, sun);
    w.mScene->getLight("Light0")->setPosition(sun);
    const int drops[][3] = {{20, 24, 3}, {40, 30, 4}, {30, 45, 3}, {48, 48, 2}, {26, 36, 2}};
    for (const auto& d : drops)
        for (int i = d[0] - d[2]; i < d[0] + d[2]; ++i)
            for (int j = d[1] - d[2]; j < d[1] + d[2]; ++j) scene.water->addDepth(i, j, 0.6f);
    const double fps = w.render(90, [&] {
        scene.water->step(FRAME_TIME);
        scene.frame();
    });
    const Ogre::Image shot = w.screenshot("ripple.png");
    const Statistics glitter = measure(shot, Region{60, 300, 330, 420}), calm = measure(shot, Region{470, 300, 740, 420});
    std::printf("ripple: %.1f frames per second (water steps included); towards the sun %s; away from it %s\n", fps,
                describe(glitter).c_str(), describe(calm).c_str());
    check(glitter.bright >= 200, "the rippled water shows no highlights: " + describe(glitter));
    check(calm.blueGreenShare > 0.6, "the rippled water is not blue-green: " + describe(calm));
    check(calm.brightnessDeviation > 0.02, "the rippled water looks flat: " + describe(calm));
}

// The island demo's scene up to its sea, with the camera's near clip as the
// application base makes it.
Hydrax::Hydrax* demoSea(Window& w)
{
    w.mCamera->setNearClipDistance(5);
    seaview::createSkyAndLight(w.mScene);
    seaview::placeCamera(w.mCamera);
    bool configured = false;
    Hydrax::Hydrax* hydrax = seaview::createSea(w.mScene, w.mCamera, w.mWindow->getViewport(0), configured);
    check(configured, "HydraxDemo.hdx was not read");
    return hydrax;
}

void ocean(Window& w)
{
    Ogre::Camera* camera = w.mCamera;
    Hydrax::Hydrax* hydrax = demoSea(w);
    const double fps = w.render(30, [&] { hydrax->update(FRAME_TIME); });
    // The same sea drawn again without updating it: what drawing alone costs.
    const double drawingFps = w.render(15, [] {});
    const Ogre::Image sea = w.screenshot("ocean.png");
    hydrax->update(1.0f);
    w.render(1, [] {});
    const Ogre::Image later = w.screenshot("ocean-later.png");
    hydrax->getMesh()->getEntity()->setVisible(false);
    w.render(1, [] {});
    const Ogre::Image sky = w.screenshot("ocean-without-water.png");

    // Rows the water covers, counted from the top: the first row in which most
    // pixels differ from the view without water.
    auto differs = [](const Ogre::Image& a, const Ogre::Image& b, int x, int y) {
        const Ogre::ColourValue p = a.getColourAt(x, y, 0), q = b.getColourAt(x, y, 0);
        return std::fabs(p.r - q.r) + std::fabs(p.g - q.g) + std::fabs(p.b - q.b) > 0.02f;
    };
    int firstWaterRow = -1;
    for (int y = 0; y < HEIGHT && firstWaterRow < 0; ++y) {
        int count = 0;
        for (int x = 0; x < WIDTH; ++x) count += differs(sea, sky, x, y);
        if (count > WIDTH / 2) firstWaterRow = y;
    }
    // Where the horizon lies: a point on the plane at the farthest reach,
    // straight ahead.
    Ogre::Vector3 ahead = camera->getDerivedDirection();
    ahead.y = 0;
    ahead.normalise();
    const Ogre::Vector3 horizonPoint = camera->getDerivedPosition() * Ogre::Vector3(1, 0, 1) + ahead * 540000.0f;
    const Ogre::Vector3 projected = camera->getProjectionMatrix() * (camera->getViewMatrix() * horizonPoint);
    const double horizonRow = (1.0 - projected.y) * 0.5 * HEIGHT;

    int waterRows = 0, movedPixels = 0;
    for (int y = firstWaterRow < 0 ? HEIGHT : firstWaterRow; y < HEIGHT; ++y) {
        int count = 0;
        for (int x = 0; x < WIDTH; ++x) count += differs(sea, sky, x, y);
        waterRows += count > WIDTH * 9 / 10;
    }
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) movedPixels += differs(sea, later, x, y);
    const Statistics near = measure(sea, Region{100, 480, 700, 590});
    std::printf("ocean: %.1f frames per second (%.1f drawing alone); the water begins at row %d, the horizon lies at row %.1f; "
                "%d of %d rows below it are water; %d pixels changed in a second; near water %s\n",
                fps, drawingFps, firstWaterRow, horizonRow, waterRows, HEIGHT - std::max(firstWaterRow, 0), movedPixels,
                describe(near).c_str());
    delete hydrax;
    check(firstWaterRow >= 0, "no water drawn");
    check(std::fabs(firstWaterRow - horizonRow) <= 3.0, "the sea does not reach the horizon");
    check(waterRows >= HEIGHT - firstWaterRow - 2, "rows below the horizon without water");
    check(movedPixels > 1000, "the waves do not move");
    check(near.mean.b > near.mean.r + 0.08f && near.mean.g > near.mean.r + 0.05f,
          "the near sea is not blue-green: " + describe(near));
}

// The rest of the demo's scene: the island, and the depth technique on its
// material. The island keeps its own look: sand and grass, not water.
void island(Window& w)
{
    Hydrax::Hydrax* hydrax = demoSea(w);
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName("Island");
    check(bool(material), "no material Island");
    Ogre::Technique* first = material->getTechnique(0);
    seaview::createIsland(w.mScene, hydrax);
    const double fps = w.render(30, [&] { hydrax->update(FRAME_TIME); });
    const Ogre::Image shot = w.screenshot("island.png");
    int land = 0;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const Ogre::ColourValue c = shot.getColourAt(x, y, 0);
            land += c.r > c.b + 0.05f;
        }
    std::printf("island: %.1f frames per second; %d pixels of land\n", fps, land);
    check(material->getTechnique(0) == first && first->getSchemeName() == Ogre::MaterialManager::DEFAULT_SCHEME_NAME,
          "the island's first technique changed");
    check(land > 2000, "the island is not drawn as land");
    delete hydrax;
}

}  // namespace

int main(int argc, char** argv)
{
    const struct {
        const char* name;
        void (*scene)(Window&);
        const char* sceneType;
    } scenes[] = {{"lake", lake, "DefaultSceneManager"},
                  {"ripple", ripple, "DefaultSceneManager"},
                  {"ocean", ocean, "DefaultSceneManager"},
                  {"island", island, "TerrainSceneManager"}};
    const auto* chosen = argc == 2 ? std::find_if(std::begin(scenes), std::end(scenes),
                                                  [&](const auto& s) { return !std::strcmp(s.name, argv[1]); })
                                   : std::end(scenes);
    if (chosen == std::end(scenes)) {
        std::fprintf(stderr, "usage: water_render lake | ripple | ocean | island\n");
        return 2;
    }
    try {
        Window window(chosen->sceneType);
        chosen->scene(window);
    } catch (const Failure& f) {
        std::fprintf(stderr, "FAIL %s: %s\n", argv[1], f.reason.c_str());
        return 1;
    } catch (const Ogre::Exception& e) {
        std::fprintf(stderr, "FAIL %s: %s\n", argv[1], e.getFullDescription().c_str());
        return 1;
    }
    return 0;
}
