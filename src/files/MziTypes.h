// The element types of a .mzi document, as a table of attributes and a table of element types.
#pragma once

#include "files/MziNode.h"

// Each element type lists its attributes and children in their declared order, as mixins.
// Accessors are named after the document's names: the getter with leading capitals lower-cased
// ("IDcode" -> idcode(), "class" -> class_()), the setter "set" + the name with its first letter
// raised ("IDcode" -> setIDcode(), "name" -> setName()). A new attribute is one row in the first
// table and its mixin's name in the element type's list.

// --- attributes ----------------------------------------------------------------------------

// One row per attribute, however long.
// clang-format off
MZI_ATTRIBUTE(TMziAbundance, Double, abundance, setAbundance, "abundance");
MZI_ATTRIBUTE(TMziAdduct, Integer, adduct, setAdduct, "adduct");
MZI_ATTRIBUTE(TMziClass, String, class_, setClass, "class");
MZI_ATTRIBUTE(TMziCleavagesite, String, cleavagesite, setCleavagesite, "cleavagesite");
MZI_ATTRIBUTE(TMziCode, String, code, setCode, "code");
MZI_ATTRIBUTE(TMziCompoundformat, String, compoundformat, setCompoundformat, "compoundformat");
MZI_ATTRIBUTE(TMziCompounds, String, compounds, setCompounds, "compounds");
MZI_ATTRIBUTE(TMziContext, String, context, setContext, "context");
MZI_ATTRIBUTE(TMziCutoffratio, Double, cutoffratio, setCutoffratio, "cutoffratio");
MZI_ATTRIBUTE(TMziDefaultrangeID, Integer, defaultrangeID, setDefaultrangeID, "defaultrangeID");
MZI_ATTRIBUTE(TMziDescription, String, description, setDescription, "description");
MZI_ATTRIBUTE(TMziEnzyme, String, enzyme, setEnzyme, "enzyme");
MZI_ATTRIBUTE(TMziFexpratio, Double, fexpratio, setFexpratio, "Fexpratio");
MZI_ATTRIBUTE(TMziFormula, String, formula, setFormula, "formula");
MZI_ATTRIBUTE(TMziFWHM, Double, fwhm, setFWHM, "FWHM");
MZI_ATTRIBUTE(TMziID, Integer, id, setID, "ID");
// Seals the point data of the data child: 0 for the Base64 form, else the decimal checksum.
MZI_ATTRIBUTE(TMziIDcode, Int64, idcode, setIDcode, "IDcode");
MZI_ATTRIBUTE(TMziIsByResolution, Boolean, isByResolution, setIsByResolution, "isByResolution");
MZI_ATTRIBUTE(TMziMass, Double, mass, setMass, "mass");
MZI_ATTRIBUTE(TMziMaxcharge, Integer, maxcharge, setMaxcharge, "maxcharge");
MZI_ATTRIBUTE(TMziMaxchargeText, String, maxcharge, setMaxcharge, "maxcharge");
MZI_ATTRIBUTE(TMziMaxdeuterios, Integer, maxdeuterios, setMaxdeuterios, "maxdeuterios");
MZI_ATTRIBUTE(TMziMaxexternaliter, Integer, maxexternaliter, setMaxexternaliter, "maxexternaliter");
MZI_ATTRIBUTE(TMziMaxinternaliter, Integer, maxinternaliter, setMaxinternaliter, "maxinternaliter");
MZI_ATTRIBUTE(TMziMaxmz, Double, maxmz, setMaxmz, "maxmz");
MZI_ATTRIBUTE(TMziMincharge, Integer, mincharge, setMincharge, "mincharge");
MZI_ATTRIBUTE(TMziMinchargeText, String, mincharge, setMincharge, "mincharge");
MZI_ATTRIBUTE(TMziMindeuterios, Integer, mindeuterios, setMindeuterios, "mindeuterios");
MZI_ATTRIBUTE(TMziMinestep, Double, minestep, setMinestep, "minestep");
MZI_ATTRIBUTE(TMziMinmz, Double, minmz, setMinmz, "minmz");
MZI_ATTRIBUTE(TMziMinpstep, Double, minpstep, setMinpstep, "minpstep");
MZI_ATTRIBUTE(TMziMissing, String, missing, setMissing, "missing");
MZI_ATTRIBUTE(TMziModifications, String, modifications, setModifications, "modifications");
MZI_ATTRIBUTE(TMziMonoavg, String, monoavg, setMonoavg, "monoavg");
MZI_ATTRIBUTE(TMziMz, Double, mz, setMz, "mz");
MZI_ATTRIBUTE(TMziName, String, name, setName, "name");
MZI_ATTRIBUTE(TMziNcols, Integer, ncols, setNcols, "ncols");
MZI_ATTRIBUTE(TMziNoisestd, Double, noisestd, setNoisestd, "noisestd");
MZI_ATTRIBUTE(TMziNominal, Integer, nominal, setNominal, "nominal");
// The number of points of a data element: a capacity hint for reading.
MZI_ATTRIBUTE(TMziNvalues, Int64, nvalues, setNvalues, "nvalues");
MZI_ATTRIBUTE(TMziOffsetx, Double, offsetx, setOffsetx, "offsetx");
MZI_ATTRIBUTE(TMziOffsety, Double, offsety, setOffsety, "offsety");
MZI_ATTRIBUTE(TMziOnelettercode, Boolean, onelettercode, setOnelettercode, "onelettercode");
MZI_ATTRIBUTE(TMziPeptidefilter, String, peptidefilter, setPeptidefilter, "peptidefilter");
MZI_ATTRIBUTE(TMziPointsxDa, Integer, pointsxDa, setPointsxDa, "pointsxDa");
MZI_ATTRIBUTE(TMziProperty, String, property, setProperty, "property");
MZI_ATTRIBUTE(TMziRange, Integer, range, setRange, "range");
MZI_ATTRIBUTE(TMziRangefilter, String, rangefilter, setRangefilter, "rangefilter");
MZI_ATTRIBUTE(TMziRatio, Double, ratio, setRatio, "ratio");
MZI_ATTRIBUTE(TMziRefcode, String, refcode, setRefcode, "refcode");
MZI_ATTRIBUTE(TMziRefID, String, refID, setRefID, "refID");
MZI_ATTRIBUTE(TMziRelativesize, Double, relativesize, setRelativesize, "relativesize");
MZI_ATTRIBUTE(TMziRelease, String, release, setRelease, "release");
MZI_ATTRIBUTE(TMziResolution, Double, resolution, setResolution, "Resolution");
MZI_ATTRIBUTE(TMziSelectedname, String, selectedname, setSelectedname, "selectedname");
MZI_ATTRIBUTE(TMziSelectionpattern, String, selectionpattern, setSelectionpattern, "selectionpattern");
MZI_ATTRIBUTE(TMziShift, Double, shift, setShift, "shift");
MZI_ATTRIBUTE(TMziShortname, String, shortname, setShortname, "shortname");
MZI_ATTRIBUTE(TMziSource, String, source, setSource, "source");
MZI_ATTRIBUTE(TMziSpacedelimited, Boolean, spacedelimited, setSpacedelimited, "spacedelimited");
MZI_ATTRIBUTE(TMziStd2, Double, std2, setStd2, "std2");
MZI_ATTRIBUTE(TMziTargetgrouppattern, String, targetgrouppattern, setTargetgrouppattern, "targetgrouppattern");
MZI_ATTRIBUTE(TMziTechnic, String, technic, setTechnic, "technic");
MZI_ATTRIBUTE(TMziTerminalgroup, String, terminalgroup, setTerminalgroup, "terminalgroup");
MZI_ATTRIBUTE(TMziType, String, type, setType, "type");
MZI_ATTRIBUTE(TMziUnit, String, unit, setUnit, "unit");
MZI_ATTRIBUTE(TMziUnits, String, units, setUnits, "units");
MZI_ATTRIBUTE(TMziValue, String, value, setValue, "value");
// "bar" draws bars; anything else not starting with 'b' a continuous line.
MZI_ATTRIBUTE(TMziView, String, view, setView, "view");
MZI_ATTRIBUTE(TMziWidth, Double, width, setWidth, "width");
MZI_ATTRIBUTE(TMziX, Double, x, setX, "x");
MZI_ATTRIBUTE(TMziX1, Double, x1, setX1, "x1");
MZI_ATTRIBUTE(TMziX2, Double, x2, setX2, "x2");
MZI_ATTRIBUTE(TMziY, Double, y, setY, "y");
MZI_ATTRIBUTE(TMziY1, Double, y1, setY1, "y1");
MZI_ATTRIBUTE(TMziY2, Double, y2, setY2, "y2");
MZI_ATTRIBUTE(TMziZ, Integer, z, setZ, "z");
// clang-format on

// --- chemical elements, molecule units, molecules, enzymes ---------------------------------

MZI_TYPE(TXMLIsotopeType, TXMLNode, TMziNominal, TMziMass, TMziAbundance, TMziCode, TMziName);
MZI_COLLECTION(TXMLElementType, TXMLIsotopeType, "isotope", TMziCode, TMziName, TMziZ, TMziRefcode);
MZI_COLLECTION(TXMLElementstableType, TXMLElementType, "element", TMziName, TMziDescription,
               TMziSource, TMziRelease);
MZI_CHILD(TMziElementtable, TXMLElementstableType, elementtable, "elementtable");
MZI_TYPE(TXMLElementstable_setType, TXMLNode, TMziElementtable);

MZI_TYPE(TXMLMoleculeunitType, TXMLNode, TMziShortname, TMziCode, TMziFormula, TMziName);
MZI_COLLECTION(TXMLMoleculeunitsType, TXMLMoleculeunitType, "moleculeunit", TMziName,
               TMziOnelettercode, TMziSpacedelimited);
MZI_COLLECTION(TXMLMoleculeunits_setType, TXMLMoleculeunitsType, "moleculeunits");

MZI_TYPE(TXMLFormulacontentType, TXMLNode, TMziFormula, TMziName);
MZI_TYPE(TXMLMoleculecontentType, TXMLNode, TMziUnits, TMziOnelettercode, TMziName);
MZI_CHILDREN(TMziFormulacontent, TXMLFormulacontentType, formulacontent, "formulacontent");
MZI_CHILDREN(TMziMoleculecontent, TXMLMoleculecontentType, moleculecontent, "moleculecontent");
MZI_TYPE(TXMLMoleculeType, TXMLNode, TMziName, TMziContext, TMziAbundance, TMziFormulacontent,
         TMziMoleculecontent);
MZI_COLLECTION(TXMLMoleculesType, TXMLMoleculeType, "molecule", TMziName);
MZI_COLLECTION(TXMLMolecules_setType, TXMLMoleculesType, "molecules", TMziName);

MZI_TYPE(TXMLEnzymeType, TXMLNode, TMziName, TMziCleavagesite);
MZI_COLLECTION(TXMLEnzymesType, TXMLEnzymeType, "enzyme", TMziName);
MZI_COLLECTION(TXMLEnzymes_setType, TXMLEnzymesType, "enzymes");

// --- spectra -------------------------------------------------------------------------------

// Point data; the text is the point list in one of its two stored forms.
MZI_TYPE(TXMLDataType, TXMLNode, TMziID, TMziName, TMziDescription, TMziNcols, TMziNvalues);
MZI_TYPE(TXMLFWHMType, TXMLNode, TMziMz, TMziWidth);
MZI_TYPE(TXMLBackgroundType, TXMLNode, TMziMz, TMziRelativesize);
MZI_TYPE(TXMLSpectrumparamsType, TXMLNode, TMziPointsxDa, TMziMincharge, TMziMaxcharge, TMziMinmz,
         TMziMaxmz, TMziRange, TMziShift, TMziCutoffratio, TMziIsByResolution, TMziResolution,
         TMziFWHM, TMziNoisestd, TMziAdduct);
MZI_TYPE(TXMLMEMparamsType, TXMLNode, TMziFexpratio, TMziMaxinternaliter, TMziMaxexternaliter,
         TMziMinestep, TMziMinpstep, TMziStd2);

// The common base of the observed and the theoretical spectrum; each is one series.
MZI_TYPE(TXMLSpectrumType, TXMLNode, TMziName, TMziClass, TMziView, TMziIDcode);
MZI_CHILD(TMziDataobs, TXMLDataType, dataobs, "dataobs");
MZI_CHILD(TMziBackground, TXMLDataType, background, "background");
MZI_CHILDREN(TMziFWHMList, TXMLFWHMType, fwhm, "FWHM");
MZI_TYPE(TXMLSpectrumobsType, TXMLSpectrumType, TMziTechnic, TMziDataobs, TMziBackground,
         TMziFWHMList);
MZI_CHILD(TMziSpectrumparams, TXMLSpectrumparamsType, spectrumparams, "spectrumparams");
MZI_CHILD(TMziMEMparams, TXMLMEMparamsType, memparams, "MEMparams");
MZI_CHILD(TMziDatatheo, TXMLDataType, datatheo, "datatheo");
MZI_CHILDREN(TMziFWHMtheo, TXMLFWHMType, fwhmtheo, "FWHMtheo");
MZI_TYPE(TXMLSpectrumtheoType, TXMLSpectrumType, TMziRatio, TMziRefID, TMziFormula,
         TMziSpectrumparams, TMziMEMparams, TMziDatatheo, TMziFWHMtheo);

// Named x/y rectangles of a spectrum container, in world units.
MZI_TYPE(TXMLRangeType, TXMLNode, TMziID, TMziName, TMziDescription, TMziX1, TMziX2, TMziY1,
         TMziY2);
MZI_COLLECTION(TXMLRangesType, TXMLRangeType, "range", TMziDefaultrangeID);
MZI_TYPE(TXMLLabel_, TXMLNode, TMziName, TMziUnit, TMziX, TMziY, TMziOffsetx, TMziOffsety);
MZI_COLLECTION(TXMLAnnotationType, TXMLLabel_, "label", TMziID, TMziName);

// One spectrum container of the viewer; "name" is its caption. Its "annotations" are label
// lists, not the document's annotation page.
MZI_CHILD(TMziSpectrumobs, TXMLSpectrumobsType, spectrumobs, "spectrumobs");
MZI_CHILDREN(TMziSpectrum, TXMLSpectrumtheoType, spectrum, "spectrum");
MZI_CHILD(TMziRanges, TXMLRangesType, ranges, "ranges");
MZI_CHILD(TMziLabelAnnotations, TXMLAnnotationType, annotations, "annotations");
MZI_TYPE(TXMLSpectraType, TXMLNode, TMziID, TMziName, TMziDescription, TMziRefID, TMziSpectrumobs,
         TMziSpectrum, TMziRanges, TMziLabelAnnotations);
MZI_COLLECTION(TXMLSpectra_setType, TXMLSpectraType, "spectra");
MZI_COLLECTION(TXMLData_setType, TXMLDataType, "data");

// --- labelling schemas and the default parameters of the analyses -------------------------

MZI_TYPE(TXMLLabelformulaType, TXMLNode, TMziProperty);
MZI_COLLECTION(TXMLLabelingschemaType, TXMLLabelformulaType, "labelformula", TMziName,
               TMziSelectionpattern, TMziTargetgrouppattern);
MZI_COLLECTION(TXMLLabelingschema_setType, TXMLLabelingschemaType, "labelingschema",
               TMziSelectedname);

MZI_CHILD(TMziFWHMhd, TXMLFWHMType, fwhmhd, "FWHMhd");
MZI_CHILD(TMziFWHMfit, TXMLFWHMType, fwhmfit, "FWHMfit");
MZI_CHILD(TMziFWHMsim, TXMLFWHMType, fwhmsim, "FWHMsim");
MZI_CHILD(TMziBackgroundsim, TXMLBackgroundType, backgroundsim, "backgroundsim");
MZI_TYPE(TXMLHDdefaultType, TXMLSpectrumparamsType, TMziTerminalgroup, TMziCompoundformat,
         TMziMindeuterios, TMziMaxdeuterios, TMziFWHMhd);
MZI_TYPE(TXMLFITdefaultType, TXMLSpectrumparamsType, TMziTerminalgroup, TMziCompoundformat,
         TMziCompounds, TMziModifications, TMziFWHMfit);
MZI_TYPE(TXMLSIMdefaultType, TXMLSpectrumparamsType, TMziTerminalgroup, TMziCompoundformat,
         TMziCompounds, TMziFWHMsim, TMziBackgroundsim);
// "mincharge" and "maxcharge" are text here, unlike in the parameter types.
MZI_TYPE(TXMLDIGdefaultType, TXMLNode, TMziEnzyme, TMziMissing, TMziMinchargeText,
         TMziMaxchargeText, TMziMonoavg, TMziPeptidefilter, TMziRangefilter);

// --- the root ------------------------------------------------------------------------------

// The text of "Annotations" is the document's annotation page (HTML).
MZI_TYPE(TXMLNamevalueType, TXMLNode, TMziName, TMziValue, TMziType);

MZI_CHILD(TMziElementstable_set, TXMLElementstable_setType, elementstable_set, "elementstable_set");
MZI_CHILD(TMziMoleculeunits_set, TXMLMoleculeunits_setType, moleculeunits_set, "moleculeunits_set");
MZI_CHILD(TMziMolecules_set, TXMLMolecules_setType, molecules_set, "molecules_set");
MZI_CHILD(TMziEnzymes_set, TXMLEnzymes_setType, enzymes_set, "enzymes_set");
MZI_CHILD(TMziSpectra_set, TXMLSpectra_setType, spectra_set, "spectra_set");
MZI_CHILD(TMziData_set, TXMLData_setType, data_set, "data_set");
MZI_CHILD(TMziLabelingschema_set, TXMLLabelingschema_setType, labelingschema_set,
          "labelingschema_set");
MZI_CHILD(TMziHDdefault, TXMLHDdefaultType, hddefault, "HDdefault");
MZI_CHILD(TMziFITdefault, TXMLFITdefaultType, fitdefault, "FITdefault");
MZI_CHILD(TMziSIMdefault, TXMLSIMdefaultType, simdefault, "SIMdefault");
MZI_CHILD(TMziDIGdefault, TXMLDIGdefaultType, digdefault, "DIGdefault");
MZI_CHILD(TMziAnnotationPage, TXMLNamevalueType, annotations, "Annotations");
MZI_TYPE(TXMLQUENTARISType, TXMLNode, TMziElementstable_set, TMziMoleculeunits_set,
         TMziMolecules_set, TMziEnzymes_set, TMziSpectra_set, TMziData_set, TMziLabelingschema_set,
         TMziHDdefault, TMziFITdefault, TMziSIMdefault, TMziDIGdefault, TMziAnnotationPage);
