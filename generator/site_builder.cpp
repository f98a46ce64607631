#include "generator/site_builder.h"

BuildResult BuildGallery(CBuilderDoc&, IBuildObserver&, const BuildOptions&)
{
    BuildResult result;
    result.outcome = BuildOutcome::NoTheme;
    return result;
}

void PrompterBuildObserver::warning(const std::string& text) { prompter_.tell(text, MessageIcon::Warning); }

bool PrompterBuildObserver::askViewGallery(const std::string& question, const std::string& caption)
{
    return prompter_.askYesNo(question, caption);
}
