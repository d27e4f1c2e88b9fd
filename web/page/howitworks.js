// The study page's "how it works" panels, one per effect. This stand-in keeps the page's calls
// working until the panels themselves are in: it shows nothing.
'use strict';

window.ZodHowItWorks = {
  mount(container, version) {
    void container;
    void version;
    return {
      // The effect's catalogue name (title, sphere, squaretunnel, tunnel, plane, heart, presents, end).
      show(effectName) { void effectName; },
    };
  },
};
