-- The peer's window as the other engines open theirs: 640 x 480, no vsync, no sound.
function love.conf(t)
    t.identity = "peer_bench"
    t.window.title = "peer_bench LOVE"
    t.window.width = 640
    t.window.height = 480
    t.window.vsync = 0
    t.window.msaa = 0
    t.window.depth = nil
    t.window.stencil = nil
    t.window.highdpi = false
    t.modules.audio = false
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
    t.modules.video = false
    t.modules.touch = false
end
