#pragma once
// The Tessaloom shell-extension classes.
