#pragma once
// A light drawable that copies the look of one scene element (its picture or its particle system) and
// can then be placed, turned, scaled, faded and animated freely, many times over, without touching the
// element. The shooters build every ball, bubble and burst as a tree of nodes cloned from a template
// element and the elements whose parent link names it.
//
// There is no transform hierarchy: every node holds absolute values, and a parent's setters push the
// same difference to its children, so a subtree keeps its shape but is never swung about the parent's
// pivot. Children are drawn after their parent in ascending z, and a parent's own alpha does not reach
// them. Nodes live outside the scene's element list: only the minigame that owns them updates and draws
// them.

#include <cstdint>

#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoScene;
struct ParticleEmitter;
struct SceneElement;

class DisplayNode {
public:
    static constexpr int32_t kChildrenGrowStep = 10;

    // Binds the element when one is given.
    DisplayNode(HoScene *scene, DisplayNode *parent, SceneElement *element);
    // Gives the emitter back to the world's pools and destroys the subtree.
    ~DisplayNode();
    DisplayNode(const DisplayNode &) = delete;
    DisplayNode &operator=(const DisplayNode &) = delete;

    // Shows the element: an emitter of an earlier binding goes back to the pools; a particle element
    // gets a looping emitter of its own; size, angle, z, pivots and scales come from the element (the
    // position stays); every element whose parent link names this one becomes a child node, placed by
    // the difference of the two elements' centres. An element already being bound further up (a parent
    // cycle) is skipped with a warning.
    void bindElement(SceneElement *boundElement);

    // On this node and every descendant.
    void setActive(uint8_t flag);
    // Each setter moves the children by the same difference and returns the stored value. Scales are
    // never below 0, in each child again.
    float setAngle(float degrees);
    float setScaleX(float factor);
    float setScaleY(float factor);
    float setX(float value);
    float setY(float value);

    // One 10 ms step of the subtree: the frame animation, the fade, the particles, then the children.
    void update();
    // Draws the subtree while it is visible; the alpha reaches the children as it was passed.
    void draw(float alphaIn);

    // The child's parent becomes this node; it is appended.
    void addChild(DisplayNode *child);
    // Destroys every child; the array keeps its storage.
    void deleteChildren();
    // Stable, ascending z.
    void sortChildren();

    // The picture's rectangle at the node's position, turned by its angle.
    QuadCorners quad() const;

    SceneElement *element = nullptr; // not owned; none for a pure grouping node
    PtrArray<DisplayNode> children{kChildrenGrowStep};
    uint8_t visible = 1;
    uint8_t active = 1;
    uint8_t hasEmitter = 0;
    float alpha = 1.0f;
    float angle = 0.0f; // degrees
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float x = 0.0f; // the pivot point in design units
    float y = 0.0f;
    float width = 0.0f; // unscaled
    float height = 0.0f;
    float z = 0.0f;
    float pivotX = 0.5f; // fractions of the width and height
    float pivotY = 0.5f;
    float frame = 0.0f;
    ParticleEmitter *emitter = nullptr; // taken from and given back to the world's pools
    DisplayNode *parent = nullptr;
    HoScene *scene = nullptr;
    int32_t fadeSteps = 0;
    float fadeDelta = 0.0f;

private:
    float setAndPush(float DisplayNode::*field, float (DisplayNode::*setter)(float), float value);
    void giveBackEmitter();
    void bindChildren();
    // The template element stands at the node while the emitter steps, then goes back exactly.
    void stepParticles();
};

// Draws the nodes' subtrees in list order.
template <typename Node>
void drawNodes(const PtrArray<Node> &nodes, float alphaIn) {
    for (int32_t i = 0; i < nodes.count(); ++i)
        nodes[i]->draw(alphaIn);
}

// Sorts the nodes by the key, ascending and stable: nodes of equal keys keep their order.
template <typename Node>
void sortNodesBy(PtrArray<Node> &nodes, float Node::*key) {
    for (int32_t i = 1; i < nodes.count(); ++i) {
        Node *moving = nodes[i];
        int32_t at = i;
        for (; at > 0 && nodes[at - 1]->*key > moving->*key; --at)
            nodes.set(at, nodes[at - 1]);
        nodes.set(at, moving);
    }
}
