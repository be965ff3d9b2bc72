#pragma once

// The product an installation serves, as its command line names it: where
// its templates are, where its own root is, and the folders at and above
// which links are the installer's choice.

#include <string>
#include <vector>

#include "deploy/FileSystem.h"

namespace orvane {

// The text of `templatesDir` before its first "Templates" (case-sensitive),
// or "" when it has none.
std::string GetProductRoot(const std::string& templatesDir);

// The folders at and above which links are the installer's choice; below
// them, anyone may have planted a link. For the samples, the product root's
// folder (up to its last backslash; the current folder when there is none).
// For the templates, the same folder, or `templatesDir` itself when there
// is no product root.
std::string GetTrustedSamplesRoot(const std::string& templatesDir);
std::string GetTrustedRoot(const std::string& templatesDir);

struct Product {
    std::string templatesDir;  // ends in a backslash
    std::string productRoot;   // GetProductRoot of templatesDir
    std::string trustedRoot;   // GetTrustedRoot of templatesDir
    std::string samplesRoot;   // GetTrustedSamplesRoot of templatesDir
    // The two roots, once OpenProduct has opened them: everything of the
    // product is then opened from these handles, each root once a run.
    Root trusted;
    Root samples;
};

// The product whose templates folder is `templatesDir`, a backslash added
// where it has none; its roots are not open yet.
Product MakeProduct(std::string templatesDir);

// Opens the product's two roots.
Status OpenProduct(Env& env, Product* product);

// The folder of the shipped templates of the version `versionText` that
// Visual Studio shows as `folder` (kProjectTemplates or kItemTemplates).
std::string GetTemplateSource(const Product& product, const std::string& versionText,
                              const char* folder);

// The folder that holds the product's wizards.
std::string GetWizardSource(const Product& product);

// Every tree an installation copies: each version's two template folders,
// and the folder of the wizards.
std::vector<std::string> GetTemplateTrees(const Product& product);

}  // namespace orvane
