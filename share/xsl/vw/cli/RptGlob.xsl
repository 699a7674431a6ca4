<?xml version="1.0" encoding="UTF-8"?>
<!-- Global storage information (rkreport storage globalinfo). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'StorageObject'"/>
  <xsl:variable name="rk.empty" select="'No global storage information found.'"/>
</xsl:stylesheet>
