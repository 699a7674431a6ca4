<?xml version="1.0" encoding="UTF-8"?>
<!-- Fans of an enclosure (rkreport storage enclosure info=fans). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Fan'"/>
  <xsl:variable name="rk.empty" select="'No fans found.'"/>
</xsl:stylesheet>
