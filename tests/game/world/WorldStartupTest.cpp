// The world's start-up on game content written by the suite: the order in which the scenes' scripts are
// declared and run, what the scene files generate, the names reported twice, the localisation variables,
// the system scenes' pictures and the over-click penalty's emitter.

#include "tests/game/world/WorldTestSupport.h"

#include "game/scene/ParticleEmitter.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptTask.h"
#include "tests/game/script/ScriptStandIns.h"
#include "tests/support/GameLogSupport.h"

namespace worldtest {
namespace {

bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

// The first statement of the word in the block or the blocks inside it.
ScriptStatement *findStatement(ScriptBlock *block, const char *word) {
    for (int32_t i = 0; block && i < block->statements.count(); ++i) {
        ScriptStatement *statement = block->statements[i];
        if (std::string(statement->command->word) == word)
            return statement;
        for (int32_t p = 0; p < statement->command->signatureLength; ++p) {
            const ScriptValue &param = statement->params[p];
            if (param.type != kScriptBlock)
                continue;
            if (ScriptStatement *inner = findStatement(static_cast<ScriptBlock *>(param.pointer), word))
                return inner;
        }
    }
    return nullptr;
}

ScriptTask *taskIn(HoScene *scene, const char *name) {
    for (int32_t i = 0; i < scene->script.tasks.count(); ++i) {
        if (std::string(scene->script.tasks[i]->name) == name)
            return scene->script.tasks[i];
    }
    return nullptr;
}

class WorldStartup : public WorldGameTest, public ScriptStandIns {
protected:
    void writeGame() {
        writeSceneList({"data/system/hud/hud", "data/system/particles/particles", "data/scenes/hall/hall",
                        "data/scenes/garden/garden"});
        archives->write("data/game.script", "init {\n print init_game\n set ##paused 1\n}\n"
                                            "fun &on_startup {\n print startup\n}\n");
        writePicture("data/system/hud/bar.png", 8, 8);
        writePicture("data/scenes/hall/hall.png", 8, 8);
        archives->write("data/system/hud/hud.scene", "O bar\nI bar.png\n");
        archives->write("data/system/particles/particles.scene", "O ho_punishment:stars.particles\nI spark.png\n");
        writePicture("data/system/particles/spark.png", 4, 4);
        archives->write("data/particles/stars.particles", "L 1\n");
        // An element named as a variable is, and a function named as another variable is.
        archives->write("data/scenes/hall/hall.scene", "O background\nI hall.png\nO portal_garden\nO #lamp\n");
        archives->write("data/scenes/hall/hall.script", "init {\n print init_hall\n set #open_time 2\n"
                                                        " set #lamp 1\n set #gate 1\n call &#gate\n}\n");
        const std::string huge(5000, 'k');
        archives->write("data/texts/Localization.xml",
                        "<Workbook><Worksheet><Table>"
                        "<Row><Cell><Data>TITLE</Data></Cell><Cell><Data>Lantern</Data></Cell></Row>"
                        "<Row><Cell><Data>paused</Data></Cell><Cell><Data>Pause</Data></Cell></Row>"
                        "<Row><Cell><Data></Data></Cell><Cell><Data>no key</Data></Cell></Row>"
                        "<Row><Cell><Data>" + huge + "</Data></Cell><Cell><Data>long</Data></Cell></Row>"
                        "</Table></Worksheet></Workbook>");
    }
};

TEST_F(WorldStartup, ScriptsAreDeclaredAfterTheEngineIsBoundAndRunAfterEveryScenesProperties) {
    writeGame();
    HoWorld &w = start();
    HoScene *hall = w.findScene("hall");
    ASSERT_NE(hall, nullptr);

    // Every init block ran after every declaration, then "on_startup"; what they print reaches the log.
    const std::string log = getLogContents();
    const size_t initGame = log.find("Game: init_game"), initHall = log.find("Game: init_hall"),
                 startup = log.find("Game: startup");
    ASSERT_NE(startup, std::string::npos);
    EXPECT_LT(initGame, initHall);
    EXPECT_LT(initHall, startup);
    // An init block's value survives the property defaults.
    EXPECT_EQ(numberOf(variable(hall, "#open_time")), 2.0f);
    EXPECT_EQ(numberOf(variable(hall, "#close_time")), 0.5f);
    // The scripts' "##paused" is the very slot the world keeps.
    ScriptStatement *set = findStatement(w.globalScene->script.scripts, "set");
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->params[0].type, kScriptVariableRef);
    EXPECT_EQ(static_cast<ScriptVariable *>(set->params[0].pointer)->value, w.pausedSlot);
    // The task that the portal's name generates is declared with the scripts.
    ScriptTask *portal = taskIn(hall, "portal_garden");
    ASSERT_NE(portal, nullptr);
    EXPECT_NE(portal->state, kTaskReferenced);
    EXPECT_EQ(portal->element, hall->findElement("portal_garden"));

    EXPECT_TRUE(logHas("Game: DUPLICATE VARIABLE/ELEMENT NAME: hall:#lamp"));
    EXPECT_TRUE(logHas("Game: DUPLICATE VARIABLE/FUNCTION NAME: hall:#gate"));
    EXPECT_FALSE(logHas("NAME: hall:#open_time"));

    // The system scenes' pictures are loaded at start-up, the locations' when they are entered.
    EXPECT_EQ(w.hudScene->findElement("bar")->picturesLoaded, 1);
    EXPECT_EQ(hall->findElement("background")->picturesLoaded, 0);

    // The penalty's emitter, taken once the particles' element has its definition, runs off the list; it
    // waits, without a spark, for a penalty.
    ASSERT_NE(w.punishmentEmitter, nullptr);
    EXPECT_EQ(w.punishmentEmitter->definitionElement, w.particlesScene->findElement("ho_punishment"));
    EXPECT_EQ(w.punishmentEmitter->scene, w.hudScene);
    EXPECT_FALSE(w.punishmentEmitter->isAlive());
    EXPECT_EQ(w.punishmentEmitter->particles.count(), 0);
    EXPECT_EQ(w.liveEmitters.count(), 0);
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

TEST_F(WorldStartup, EveryLocalisationKeyGivesTwoTextVariablesThatAreNotSaved) {
    writeGame();
    start();
    const std::string huge(5000, 'k');
    const std::pair<std::string, std::string> keys[] = {{"TITLE", "Lantern"}, {"paused", "Pause"}, {huge, "long"}};
    for (const auto &[key, text] : keys) {
        ScriptVariable *keyVariable = globalVariable(("##txt_" + key).c_str());
        ScriptVariable *textVariable = globalVariable(("##" + key).c_str());
        ASSERT_NE(keyVariable, nullptr) << key.substr(0, 20);
        ASSERT_NE(textVariable, nullptr) << key.substr(0, 20);
        EXPECT_EQ(textOf(keyVariable), key);
        EXPECT_EQ(textOf(textVariable), text);
        EXPECT_EQ(keyVariable->saved, 0);
        EXPECT_EQ(textVariable->saved, 0);
    }
    // A key that names an engine variable takes it over, and the log says so.
    EXPECT_EQ(world().pausedSlot, globalVariable("##paused")->value);
    EXPECT_TRUE(logHas("Game: the localisation key 'paused' replaces the variable ##paused, WARNING"));
    EXPECT_FALSE(logHas("key 'TITLE'"));
    EXPECT_EQ(globalVariable("##txt_"), nullptr) << "a row without a key is no key";
}

TEST_F(WorldStartup, WithoutTheSystemScenesTheirSlotsStayEmpty) {
    writeSceneList({"data/scenes/hall/hall"});
    HoWorld &w = start();
    for (HoScene *scene : {w.imagesScene, w.hudScene, w.overHudScene, w.systemMessagesScene, w.journalScene,
                           w.particlesScene, w.pointersScene})
        EXPECT_EQ(scene, nullptr);
    EXPECT_EQ(w.punishmentEmitter, nullptr);
    EXPECT_EQ(w.spawnEmitterAt("ho_punishment", false, nullptr, 0.0f, 0.0f, true), nullptr);
    EXPECT_EQ(w.liveEmitters.count(), 0);
    EXPECT_EQ(w.hintSlots.shown, nullptr);
    EXPECT_EQ(w.hud.white, nullptr);
    EXPECT_NE(w.pausedSlot, nullptr);
}

} // namespace
} // namespace worldtest
