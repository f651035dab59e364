// The tools under node: SDL's power and event code asks the browser's navigator,
// which node (before 21) does not have; an empty one answers "unknown".
if (typeof navigator === 'undefined') globalThis.navigator = {};
