-- The workloads on LÖVE through its public API: a love.graphics.draw per sprite, and
-- a SpriteBatch filled again every frame (as a game whose sprites move must). The
-- atlas and the places come from the driver's files beside this one; the results
-- go to stdout in the driver's RESULT format. With --loop T, LÖVE's own default loop
-- (love.run as shipped, with its default vsync) shows empty frames for T seconds.
local lg = love.graphics

local WARMUP_FRAMES, WARMUP_SECONDS, MIN_FRAMES = 5, 0.2, 10
local GAME_PATH, EMPTY = 2, 0

local function options()
    local o = { seconds = 1.0 }
    local args = love.arg.parseGameArguments(arg)
    for i = 1, #args - 1 do
        if args[i] == "--seconds" then o.seconds = tonumber(args[i + 1]) end
        if args[i] == "--shot" then o.shot = args[i + 1] end
        if args[i] == "--loop" then o.loop = tonumber(args[i + 1]) end
    end
    return o
end

local o = options()

local function readCases()
    local cases, current = {}, nil
    for line in love.filesystem.lines("cases.txt") do
        if current == nil then
            local name, kind, size, count = line:match("^(.-)\t(%d+)\t(%d+)\t(%d+)$")
            current = { name = name, kind = tonumber(kind), size = tonumber(size), count = tonumber(count),
                        x = {}, y = {}, cx = {}, cy = {} }
        else
            local n, i = 0, 1
            local fields = { current.x, current.y, current.cx, current.cy }
            for num in line:gmatch("%d+") do
                fields[n % 4 + 1][i] = tonumber(num)
                n = n + 1
                if n % 4 == 0 then i = i + 1 end
            end
            cases[#cases + 1] = current
            current = nil
        end
    end
    return cases
end

local function pumpEvents()
    love.event.pump()
    for _ in love.event.poll() do end
end

local function measure(frame, seconds)
    local getTime = love.timer.getTime
    local start, i = getTime(), 0
    while i < WARMUP_FRAMES or getTime() - start < WARMUP_SECONDS do
        frame()
        i = i + 1
    end
    local frames, wall0, cpu0, wall = 0, getTime(), os.clock(), 0
    while frames < MIN_FRAMES or wall < seconds do
        frame()
        frames = frames + 1
        wall = getTime() - wall0
    end
    return frames, wall * 1000 / frames, (os.clock() - cpu0) * 1000 / frames
end

local function run()
    lg.setDefaultFilter("nearest", "nearest")
    local atlasData = love.image.newImageData(256, 256, "rgba8", love.filesystem.read("atlas.rgba"))
    local atlas = lg.newImage(atlasData)
    local canvas = lg.newCanvas(320, 240)
    canvas:setFilter("nearest", "nearest")

    for _, c in ipairs(readCases()) do
        local n, xs, ys = c.count, c.x, c.y
        local quads = {}
        for i = 1, n do
            quads[i] = lg.newQuad(c.cx[i] * c.size, c.cy[i] * c.size, c.size, c.size, 256, 256)
        end
        local batch = lg.newSpriteBatch(atlas, math.max(n, 1), "stream")

        local function drawEach()
            for i = 1, n do lg.draw(atlas, quads[i], xs[i], ys[i]) end
        end
        local function drawBatch()
            batch:clear()
            for i = 1, n do batch:add(quads[i], xs[i], ys[i]) end
            lg.draw(batch)
        end
        -- The game's frame: the target is drawn whole, so the window is not cleared.
        local function gameScreen(draw)
            lg.setCanvas(canvas)
            lg.clear(0, 0, 0, 1)
            draw()
            lg.setCanvas()
            lg.draw(canvas, 0, 0, 0, 2, 2)
        end
        local function bench(variant, draw)
            local frames, wallMs, cpuMs = measure(function()
                lg.origin()
                if c.kind == GAME_PATH then
                    gameScreen(draw)
                else
                    lg.clear(0, 0, 0, 1)
                    draw()
                end
                lg.present()
                pumpEvents()
            end, o.seconds)
            io.write(string.format("RESULT\t%s\tLOVE\t%s\t%d\t%.4f\t%.4f\n", c.name, variant, frames, wallMs, cpuMs))
            io.stdout:flush()
        end

        if c.kind == EMPTY then
            bench("clear", drawEach)
        else
            bench("draw", drawEach)
            bench("SpriteBatch", drawBatch)
        end
        if c.kind == GAME_PATH and o.shot then
            gameScreen(drawEach)
            lg.captureScreenshot(function(image)
                local f = io.open(o.shot, "wb")
                if f then
                    f:write(image:getString())
                    f:close()
                end
            end)
            lg.present()
        end
    end
end

if o.loop then
    -- The default love.run stays: it pumps the events, calls update, clears, calls
    -- draw, presents and sleeps a millisecond, with vsync as LÖVE sets it by default.
    local frames, wall0, cpu0
    function love.load()
        love.window.setVSync(1)
        frames, wall0, cpu0 = 0, love.timer.getTime(), os.clock()
    end
    function love.update()
        if love.timer.getTime() - wall0 >= o.loop then love.event.quit() end
    end
    function love.draw()
        frames = frames + 1
    end
    function love.quit()
        local wall = love.timer.getTime() - wall0
        io.write(string.format("RESULT\t60 fps loop\tLOVE\tlove.run\t%d\t%.4f\t%.4f\n", frames,
            wall * 1000 / frames, (os.clock() - cpu0) * 1000 / frames))
        io.stdout:flush()
        return false
    end
    return
end

function love.run()
    return function()
        local ok, err = pcall(run)
        if not ok then
            io.stderr:write("LOVE: " .. tostring(err) .. "\n")
            return 1
        end
        return 0
    end
end
