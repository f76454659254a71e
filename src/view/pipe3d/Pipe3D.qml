// The pipe in 3D: the kept rings as points coloured by the wall's deviation,
// a green ring at the current ping, a legend in centimetres (inches). Left drag
// rotates, right or middle drag (or Ctrl + left drag) pans, the wheel zooms,
// a click on the pipe picks the nearest ring, the point under the mouse is
// handed to the scene for its place. "pipe3d" is the C++ scene.
import QtQuick
import QtQuick3D

Rectangle {
    id: root
    color: "#1e1e1e"

    readonly property real diameter: Math.max(pipe3d.radius * 2, 1)
    readonly property real shownLength: (pipe3d.lastZ - pipe3d.firstZ) * pipe3d.axialScale
    readonly property real centreZ: (pipe3d.firstZ + pipe3d.lastZ) / 2 * pipe3d.axialScale
    // Far enough back for the whole pipe in the 60 degree field of view.
    readonly property real fitDistance: Math.max(shownLength, diameter * 2.5) * 1.4
    readonly property bool moving: rotateDrag.active || panDrag.active || ctrlPanDrag.active

    onMovingChanged: {
        pipe3d.setInteracting(moving)
        if (moving) pipe3d.hoverEnd()
    }
    onCentreZChanged: if (!root.touched) reset()
    onFitDistanceChanged: if (!root.touched) reset()
    // Until the user moves the camera it follows the pipe as it grows.
    property bool touched: false

    // The view is a window of its own: its keys come here, not to the dock.
    focus: true
    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_Home || event.key === Qt.Key_R) {
            reset()
            event.accepted = true
        }
    }

    function reset() {
        origin.position = Qt.vector3d(0, 0, centreZ)
        origin.eulerRotation = Qt.vector3d(-20, -60, 0)
        camera.z = fitDistance
        touched = false
    }

    Connections {
        target: pipe3d
        function onResetRequested() { root.reset() }
    }

    View3D {
        id: view
        anchors.fill: parent
        camera: camera
        environment: SceneEnvironment {
            backgroundMode: SceneEnvironment.Color
            clearColor: root.color
            // The points carry the legend's colours exactly: no tone mapping.
            tonemapMode: SceneEnvironment.TonemapModeNone
        }

        Node {
            id: origin
            objectName: "orbitOrigin"
            PerspectiveCamera {
                id: camera
                z: root.fitDistance
                clipNear: Math.max(z / 1000, 0.01)
                clipFar: z * 10 + root.shownLength * 2
            }
        }

        Node {
            id: pipe
            scale: Qt.vector3d(1, 1, pipe3d.axialScale)
            Model {
                objectName: "pipePoints"
                geometry: pipe3d.points
                materials: DefaultMaterial {
                    lighting: DefaultMaterial.NoLighting
                    vertexColorsEnabled: true
                    pointSize: 2
                }
            }
            Model {
                objectName: "pingMarker"
                geometry: pipe3d.marker
                visible: pipe3d.hasMarker
                z: pipe3d.markerZ
                materials: DefaultMaterial {
                    lighting: DefaultMaterial.NoLighting
                    vertexColorsEnabled: true
                }
            }
        }
    }

    DragHandler {
        id: rotateDrag
        target: null
        acceptedButtons: Qt.LeftButton
        acceptedModifiers: Qt.NoModifier
        property vector2d last: Qt.vector2d(0, 0)
        onActiveChanged: last = Qt.vector2d(0, 0)
        onTranslationChanged: {
            if (!active) return
            const d = Qt.vector2d(translation.x - last.x, translation.y - last.y)
            last = Qt.vector2d(translation.x, translation.y)
            const r = origin.eulerRotation
            origin.eulerRotation = Qt.vector3d(Math.max(-89, Math.min(89, r.x - d.y * 0.4)),
                                               r.y - d.x * 0.4, 0)
            root.touched = true
        }
    }

    function panBy(d) {
        const k = camera.z / Math.max(root.height, 1)
        const right = origin.right, up = origin.up
        origin.position = origin.position.plus(Qt.vector3d(
            -(right.x * d.x) * k + (up.x * d.y) * k,
            -(right.y * d.x) * k + (up.y * d.y) * k,
            -(right.z * d.x) * k + (up.z * d.y) * k))
        root.touched = true
    }

    DragHandler {
        id: panDrag
        target: null
        acceptedButtons: Qt.RightButton | Qt.MiddleButton
        property vector2d last: Qt.vector2d(0, 0)
        onActiveChanged: last = Qt.vector2d(0, 0)
        onTranslationChanged: {
            if (!active) return
            root.panBy(Qt.vector2d(translation.x - last.x, translation.y - last.y))
            last = Qt.vector2d(translation.x, translation.y)
        }
    }

    DragHandler {
        id: ctrlPanDrag
        target: null
        acceptedButtons: Qt.LeftButton
        acceptedModifiers: Qt.ControlModifier
        property vector2d last: Qt.vector2d(0, 0)
        onActiveChanged: last = Qt.vector2d(0, 0)
        onTranslationChanged: {
            if (!active) return
            root.panBy(Qt.vector2d(translation.x - last.x, translation.y - last.y))
            last = Qt.vector2d(translation.x, translation.y)
        }
    }

    WheelHandler {
        target: null
        onWheel: event => {
            camera.z = Math.max(root.diameter * 0.2,
                                Math.min(camera.z * Math.pow(0.999, event.angleDelta.y),
                                         root.fitDistance * 20))
            root.touched = true
        }
    }

    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: eventPoint => {
            // The click's ray in the pipe's own coordinates, then where it
            // passes closest to the pipe's axis (x = y = 0).
            const a = pipe.mapPositionFromScene(view.mapTo3DScene(
                Qt.vector3d(eventPoint.position.x, eventPoint.position.y, 0)))
            const b = pipe.mapPositionFromScene(view.mapTo3DScene(
                Qt.vector3d(eventPoint.position.x, eventPoint.position.y, 100)))
            const d = b.minus(a)
            const aa = d.dotProduct(d), bz = d.z, dw = d.dotProduct(a)
            const den = aa - bz * bz
            if (aa <= 0 || Math.abs(den) < 1e-9 * aa) return
            const t = (bz * a.z - dw) / den
            const s = (aa * a.z - bz * dw) / den
            const p = a.plus(d.times(t))
            const miss = Math.sqrt(p.x * p.x + p.y * p.y + (p.z - s) * (p.z - s))
            pipe3d.pick(s, miss)
        }
    }

    // The point under the mouse, for the dock's read-out of its place.
    HoverHandler {
        id: hover
        onPointChanged: root.hoverAt(point.position)
        onHoveredChanged: if (!hovered) pipe3d.hoverEnd()
    }

    function hoverAt(p) {
        if (!hover.hovered || root.moving) return
        pipe3d.hover(view.mapTo3DScene(Qt.vector3d(p.x, p.y, 0)),
                     view.mapTo3DScene(Qt.vector3d(p.x + 1, p.y, 0)),
                     view.mapTo3DScene(Qt.vector3d(p.x, p.y, 100)),
                     view.mapTo3DScene(Qt.vector3d(p.x + 1, p.y, 100)))
    }

    // The legend: the deviation scale in the survey's unit, inward on top.
    Rectangle {
        anchors { top: parent.top; right: parent.right; margins: 8 }
        width: legend.width + 12
        height: legend.height + 12
        color: "#c0000000"
        radius: 3
        visible: pipe3d.decorated
        Column {
            id: legend
            x: 6; y: 6
            spacing: 2
            Text { objectName: "legendTitle"; text: "Deviation (" + pipe3d.legendUnit + ")"; color: "white"; font.pixelSize: 11; font.bold: true }
            Row {
                spacing: 4
                Column {
                    objectName: "legendBar"
                    Repeater {
                        model: 41
                        Rectangle {
                            width: 16; height: 3
                            color: pipe3d.legendColour(pipe3d.legendScale * (1 - index / 20))
                        }
                    }
                }
                Item {
                    width: labels.width; height: 41 * 3
                    Column {
                        id: labels
                        Text { objectName: "legendInward"; text: "+" + pipe3d.legendScale.toFixed(pipe3d.legendDecimals) + " inward"; color: "white"; font.pixelSize: 10; height: 41 * 3 / 2 - 6 }
                        Text { text: "0"; color: "white"; font.pixelSize: 10; height: 41 * 3 / 2 - 6 }
                        Text { text: "\u2212" + pipe3d.legendScale.toFixed(pipe3d.legendDecimals) + " outward"; color: "white"; font.pixelSize: 10 }
                    }
                }
            }
            Text {
                visible: pipe3d.axialScale < 0.999
                text: "length shown 1:" + (1 / pipe3d.axialScale).toFixed(pipe3d.axialScale > 0.1 ? 1 : 0)
                color: "white"; font.pixelSize: 10
            }
            Row {
                spacing: 4
                Rectangle { width: 16; height: 3; color: "#33ff33"; anchors.verticalCenter: parent.verticalCenter }
                Text { text: "current ping"; color: "white"; font.pixelSize: 10 }
            }
        }
    }

    Text {
        anchors { left: parent.left; bottom: parent.bottom; margins: 6 }
        text: "drag: rotate \u2022 right drag: pan \u2022 wheel: zoom \u2022 Home: reset \u2022 click: go to ring"
        color: "#a0a0a0"
        font.pixelSize: 10
        visible: pipe3d.decorated && root.width > 360
    }
}
